#include "../support/EventLoop.h"
#include "../support/Markup.h"
#include "../support/QtPrinters.h"
#include "Screenshot.h"
#include "TestCertificates.h"
#include "certificates/VerifyController.h"
#include "certificates/views/CertificateFileChooser.h"
#include "certificates/views/VerifyView.h"
#include "common/LocalizationService.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace orvela::certificates;
using orvela::common::AppLanguage;
using orvela::common::LocalizationService;
using orvela::testing::CertificateSpec;
using orvela::testing::makeCertificate;

namespace {

class AnsweringChooser : public CertificateFileChooser {
public:
    explicit AnsweringChooser(QString answer) : m_answer(std::move(answer)) {}
    QString choose(QWidget*) override { return m_answer; }

private:
    QString m_answer;
};

class VerifyPageTest : public ::testing::Test {
protected:
    QString write(const QString& name, const QByteArray& bytes)
    {
        return orvela::testing::writeFile(dir.filePath(name), bytes);
    }

    /// Loads a file and waits for its result to reach the page.
    void load(const QString& path)
    {
        controller.loadFile(path);
        EXPECT_TRUE(orvela::testing::waitUntil([&] { return !controller.isLoading(); }));
    }

    QTemporaryDir dir;
    QSettings settings{dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat};
    LocalizationService localization{&settings};
    VerifyController controller{nullptr, &localization};
};

} // namespace

// Files fill or clear the report and keep their path; what a certificate or a file name holds
// is shown as it came, never drawn as markup. The pictures are of the empty, filled and failed
// page.
TEST_F(VerifyPageTest, LoadedFilesFillOrClearTheReportInPlainTextAndKeepTheirPath)
{
    VerifyView view(controller, localization);
    view.resize(860, 1100);
    EXPECT_FALSE(orvela::testing::saveScreenshot(view, "verify-empty").isEmpty());
    CertificateSpec spec;
    spec.keyUsage = QStringLiteral("digitalSignature,nonRepudiation");
    spec.subjectAltName = QStringLiteral("DNS:eid.example.mn,email:citizen@example.mn");
    const QString path = write(QStringLiteral("c.der"), makeCertificate(spec));
    load(path);
    ASSERT_TRUE(controller.info().has_value());
    EXPECT_TRUE(controller.pemText().startsWith(QStringLiteral("-----BEGIN CERTIFICATE-----")));
    EXPECT_TRUE(controller.errorMessage().isEmpty());
    EXPECT_FALSE(orvela::testing::saveScreenshot(view, "verify-valid").isEmpty());

    const QString marker = QStringLiteral("<i>");
    CertificateSpec marked;
    marked.subject = QStringLiteral("/O=<i>Org<u>/CN=<i>x<a href='y'>z");
    for (const QString& source : {write(QStringLiteral("<i>c.der"), makeCertificate(marked)),
                                  dir.filePath(QStringLiteral("<i>missing.pem"))}) {
        load(source);
        EXPECT_GE(orvela::testing::labelsShowing(view, marker), 1) << source.toStdString();
        EXPECT_TRUE(orvela::testing::labelsDrawingMarkup(view, marker).isEmpty())
            << source.toStdString();
    }

    // A FIFO with no writer would block a reader on this thread for good.
    const QString fifo = dir.filePath(QStringLiteral("c.pem"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // Worded in the page's language, not in another profile's.
    localization.overrideLanguage(AppLanguage::en);
    controller.clear();
    const std::pair<QString, QString> failing[] = {
        {fifo, QStringLiteral("Not a regular file: ") + fifo},
        {write(QStringLiteral("junk.pem"), "junk"),
         QStringLiteral("The file could not be read as an X.509 certificate.")},
    };
    for (const auto& [source, message] : failing) {
        load(source);
        EXPECT_FALSE(controller.info().has_value());
        EXPECT_EQ(controller.sourcePath(), source);
        EXPECT_EQ(controller.errorMessage(), message);
    }
    EXPECT_FALSE(orvela::testing::saveScreenshot(view, "verify-error-en").isEmpty());
    controller.clear();
    EXPECT_TRUE(controller.sourcePath().isEmpty());
    EXPECT_TRUE(controller.errorMessage().isEmpty());

    // Only the first of several dropped files is read.
    const QString second = write(QStringLiteral("b.der"), "not read");
    EXPECT_FALSE(controller.dropUrls({}));
    EXPECT_TRUE(controller.dropUrls({QUrl::fromLocalFile(path), QUrl::fromLocalFile(second)}));
    EXPECT_TRUE(orvela::testing::waitUntil([&] { return !controller.isLoading(); }));
    EXPECT_EQ(controller.sourcePath(), path);
    EXPECT_TRUE(controller.info().has_value());
}

TEST_F(VerifyPageTest, ChooserAndParseButtonFeedTheController)
{
    const QString path = write(QStringLiteral("c.der"), makeCertificate());
    VerifyView cancelled(controller, localization, std::make_unique<AnsweringChooser>(QString()));
    cancelled.chooseFile();
    EXPECT_TRUE(controller.sourcePath().isEmpty());
    VerifyView view(controller, localization, std::make_unique<AnsweringChooser>(path));
    view.chooseFile();
    EXPECT_EQ(controller.sourcePath(), path);
    EXPECT_TRUE(orvela::testing::waitUntil([&] { return !controller.isLoading(); }));
    controller.clear();

    auto* paste = view.findChild<QPlainTextEdit*>(QStringLiteral("pasteBox"));
    auto* parse = view.findChild<QPushButton*>(QStringLiteral("parseButton"));
    ASSERT_TRUE(paste && parse);
    EXPECT_FALSE(parse->isEnabled());
    paste->setPlainText(QStringLiteral("  \n\t "));
    EXPECT_FALSE(parse->isEnabled());
    paste->setPlainText(orvela::certificates::certificatePem(makeCertificate()));
    parse->click();
    EXPECT_TRUE(controller.info().has_value());
    paste->setPlainText(QStringLiteral("not base64!"));
    parse->click();
    EXPECT_FALSE(controller.info().has_value());

    // Tab leaves the paste area instead of typing into it.
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
    QApplication::sendEvent(paste, &tab);
    EXPECT_EQ(paste->toPlainText(), QStringLiteral("not base64!"));
}
