#include "QtPrinters.h"
#include "ShellFixture.h"
#include "shell/LoginItemManager.h"
#include "shell/XdgAutostartEntry.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace orvela::shell;
using orvela::shell::testing::FakeLoginBackend;

namespace {

// Each test gets its own XDG_CONFIG_HOME, put back afterwards.
class AutostartTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", m_home.path().toUtf8());
    }
    void TearDown() override { qputenv("XDG_CONFIG_HOME", m_saved); }

    QString entryFile() const { return m_home.filePath("autostart/orvela-test.desktop"); }

    QByteArray entryContents() const
    {
        QFile file(entryFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void writeEntry(const QByteArray& contents)
    {
        ASSERT_TRUE(QDir(m_home.path()).mkpath("autostart"));
        QFile file(entryFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }

    LoginItemManager manager()
    {
        return LoginItemManager(std::make_unique<XdgAutostartEntry>(
            "orvela-test", "/opt/orvela/bin/orvela-desktop", QStringList()));
    }

    QTemporaryDir m_home;
    QByteArray m_saved;
};

// Enabling writes the entry, whole, and disabling removes it; an entry hidden or switched off
// in its own group reads as off, and enabling rewrites it.
TEST_F(AutostartTest, TheEntryIsWrittenReadAndRemoved)
{
    LoginItemManager items = manager();
    EXPECT_FALSE(items.launchAtLogin());
    items.setEnabled(true);
    EXPECT_TRUE(items.launchAtLogin());
    EXPECT_TRUE(entryContents().startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(entryContents().contains("\nExec=/opt/orvela/bin/orvela-desktop\n"));
    // Nothing of the atomic write is left beside the entry.
    EXPECT_EQ(QDir(m_home.filePath("autostart")).entryList(QDir::Files).size(), 1);
    items.setEnabled(false);
    EXPECT_FALSE(items.launchAtLogin());
    EXPECT_FALSE(QFile::exists(entryFile()));

    const std::pair<QByteArray, bool> entries[] = {
        {"[Desktop Entry]\nType=Application\nExec=/old/path\nHidden=true\n", false},
        {"[Desktop Entry]\nExec=/x\nX-GNOME-Autostart-enabled=false\n", false},
        {"[Desktop Entry]\nExec=/x\n\n[Desktop Action quit]\nHidden=true\n", true},
    };
    for (const auto& [contents, on] : entries) {
        writeEntry(contents);
        items.refresh();
        EXPECT_EQ(items.launchAtLogin(), on) << contents.toStdString();
    }
    writeEntry(entries[0].first);
    items.refresh();
    items.setEnabled(true);
    EXPECT_TRUE(items.launchAtLogin());
    EXPECT_FALSE(entryContents().contains("Hidden"));
    EXPECT_TRUE(entryContents().contains("Exec=/opt/orvela/bin/orvela-desktop\n"));
}

TEST_F(AutostartTest, AFailedRegistrationLeavesTheRealStateShown)
{
    // A plain file where the autostart folder belongs: the entry cannot be written.
    QFile blocker(m_home.filePath("autostart"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    LoginItemManager items = manager();
    QSignalSpy published(&items, &LoginItemManager::launchAtLoginChanged);
    items.setEnabled(true);
    EXPECT_FALSE(items.launchAtLogin());
    ASSERT_EQ(published.size(), 1);
    EXPECT_FALSE(published.at(0).at(0).toBool());
}

TEST(AutostartExec, ArgumentsAreQuotedAndEscaped)
{
    EXPECT_EQ(XdgAutostartEntry::execLine("/usr/bin/orvela-desktop", {}),
              "/usr/bin/orvela-desktop");
    EXPECT_EQ(XdgAutostartEntry::execLine("/home/a b/orvela", {"--background"}),
              "\"/home/a b/orvela\" --background");
    // `$` and `"` are escaped inside the quotes, then every backslash is doubled once more
    // for the string value; a percent sign is doubled so it is not a field code.
    EXPECT_EQ(XdgAutostartEntry::execLine("/opt/$x\"y/100%", {}), "\"/opt/\\\\$x\\\\\"y/100%%\"");
    EXPECT_EQ(XdgAutostartEntry::execLine("/opt/p", {""}), "/opt/p \"\"");
}

// The toggle shows what the system record holds after each request, asks nothing it already
// has, and reports the outcome once.
TEST(LoginItemManager, TheToggleShowsTheRecordsRealState)
{
    struct Case {
        const char* name;
        bool enabled, activates, refusesDisable, request, shown;
        int enableCalls, disableCalls;
    };
    const Case cases[] = {
        {"awaiting approval", false, false, false, true, false, 1, 0},
        {"refused removal", true, true, true, false, true, 0, 1},
        {"already on", true, true, false, true, true, 0, 0},
        {"already off", false, true, false, false, false, 0, 0},
        {"switched off", true, true, false, false, false, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto backend = std::make_unique<FakeLoginBackend>();
        backend->enabled = c.enabled;
        backend->activatesOnEnable = c.activates;
        backend->refusesDisable = c.refusesDisable;
        FakeLoginBackend* record = backend.get();
        LoginItemManager items(std::move(backend));
        QSignalSpy published(&items, &LoginItemManager::launchAtLoginChanged);
        items.setEnabled(c.request);
        EXPECT_EQ(items.launchAtLogin(), c.shown);
        EXPECT_EQ(record->enableCalls, c.enableCalls);
        EXPECT_EQ(record->disableCalls, c.disableCalls);
        ASSERT_EQ(published.size(), 1);
        EXPECT_EQ(published.at(0).at(0).toBool(), c.shown);
    }
}

} // namespace
