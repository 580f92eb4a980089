// Revealing a saved copy: the freedesktop file-manager call on a private session bus, and the
// folder opened instead when no file manager answers.

#include "SigningFixture.h"
#include "platform/FileRevealerFreedesktop.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QUrl>

using namespace orvela;
using namespace orvela::signingtest;
using platform::FileRevealerFreedesktop;

namespace {

const QString fileManagerName = QStringLiteral("org.freedesktop.FileManager1");

/// A file manager on the session bus that remembers what it was asked to show.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QList<QStringList> shown;

public slots:
    void ShowItems(const QStringList& uris, const QString&) { shown.append(uris); }
};

class FileRevealerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected())
            << "no session bus: run through scripts/lib/with-keyring.sh";
        ASSERT_TRUE(m_dir.isValid());
        m_file = m_dir.filePath(QStringLiteral("report_signed (1).pdf"));
    }

    QTemporaryDir m_dir;
    QString m_file;
    QList<QUrl> m_opened;
};

TEST_F(FileRevealerTest, TheFileManagerIsAskedToShowTheFileSelected)
{
    // The file manager sits on a connection of its own, as another process would.
    QDBusConnection service =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-fm"));
    FakeFileManager fileManager;
    ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/FileManager1"),
                                       &fileManager, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService(fileManagerName));

    FileRevealerFreedesktop revealer(QDBusConnection::sessionBus(),
                                     [this](const QUrl& url) { m_opened << url; });
    revealer.reveal(m_file);
    EXPECT_TRUE(waitUntil([&] { return !fileManager.shown.isEmpty(); }, 5000));
    ASSERT_EQ(fileManager.shown.size(), 1);
    EXPECT_EQ(fileManager.shown.first(),
              QStringList{QUrl::fromLocalFile(m_file).toString(QUrl::FullyEncoded)});
    runEventLoopFor(200);
    EXPECT_TRUE(m_opened.isEmpty());

    service.unregisterService(fileManagerName);
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-fm"));
}

TEST_F(FileRevealerTest, WithoutAFileManagerTheContainingFolderOpens)
{
    ASSERT_FALSE(
        QDBusConnection::sessionBus().interface()->isServiceRegistered(fileManagerName).value());
    FileRevealerFreedesktop revealer(QDBusConnection::sessionBus(),
                                     [this](const QUrl& url) { m_opened << url; });
    revealer.reveal(m_file);
    EXPECT_TRUE(waitUntil([&] { return !m_opened.isEmpty(); }, 30'000));
    EXPECT_EQ(m_opened, QList<QUrl>{QUrl::fromLocalFile(m_dir.path())});
}

} // namespace

#include "FileRevealerTest.moc"
