#include "../support/EventLoop.h"
#include "../support/Markup.h"
#include "../support/QtPrinters.h"
#include "AnsweringPrompts.h"
#include "InterfaceLanguage.h"
#include "Pades.h"
#include "SamplePdf.h"
#include "Screenshot.h"
#include "TestCertificates.h"
#include "certificates/PdfSignatureCheck.h"
#include "certificates/VerifyController.h"
#include "certificates/views/VerifyView.h"
#include "common/LocalizationService.h"
#include "components/InlineBanner.h"
#include "components/PdfPagePreview.h"
#include "components/StatusPill.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace orvela::certificates;
using namespace orvela::certificates::views;
using orvela::common::AppLanguage;
using orvela::common::LocalizationService;
using orvela::testing::CertificateSpec;
using orvela::testing::makeCertificate;

namespace {

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
    orvela::testing::AnsweringPrompts::Answers answers;
    VerifyView cancelled(controller, localization,
                         std::make_unique<orvela::testing::AnsweringPrompts>(answers));
    cancelled.chooseFile();
    EXPECT_TRUE(controller.sourcePath().isEmpty());
    answers.openPath = path;
    VerifyView view(controller, localization,
                    std::make_unique<orvela::testing::AnsweringPrompts>(answers));
    view.chooseFile();
    EXPECT_EQ(controller.sourcePath(), path);
    EXPECT_TRUE(answers.nameFilters.join(u' ').contains(QStringLiteral("*.pdf")));
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

namespace {

using orvela::components::InlineBanner;
using orvela::components::PdfPagePreview;
using orvela::components::StatusPill;

QString verdictOf(const QWidget& root)
{
    const auto* banner = root.findChild<InlineBanner*>(QStringLiteral("documentVerdict"));
    return banner != nullptr && banner->isVisible() ? banner->text() : QString();
}

QStringList verdictTexts(const QWidget& root)
{
    QStringList texts;
    for (const auto* pill : root.findChildren<StatusPill*>(QStringLiteral("signatureVerdict"))) {
        texts << pill->text();
    }
    return texts;
}

SignatureRow signature(SignatureVerdict verdict, InvalidReason reason = InvalidReason::none)
{
    SignatureRow row;
    row.verdict = verdict;
    row.reason = reason;
    row.signerName = QStringLiteral("Батын Болд");
    row.signerIdentifier = QStringLiteral("УБ99112233");
    row.claimedTime = QDateTime(QDate(2026, 3, 2), QTime(9, 15), Qt::UTC);
    return row;
}

} // namespace

// Every verdict the verifier can give reaches the page in the words of both languages, with the
// first page beside it; the verifier runs off the interface thread; the signer's own texts are
// never drawn as markup. Pictures: verify-pdf-<state>-<language>.
TEST_F(VerifyPageTest, EachVerdictOfAPdfIsWordedInBothLanguagesBesideItsFirstPage)
{
    const QString pdf = write(QStringLiteral("contract.pdf"),
                              orvela::testing::samplePdf(QStringLiteral("Contract")));
    SignatureRow proved = signature(SignatureVerdict::valid);
    proved.provedTime = QDateTime(QDate(2026, 3, 2), QTime(9, 16), Qt::UTC);
    SignatureRow later = signature(SignatureVerdict::changedAfterSigning);
    later.coverage = SignatureCoverage::changedAfter;
    SignatureRow broken = signature(SignatureVerdict::invalid, InvalidReason::contentAltered);
    broken.signerName = QStringLiteral("<i>Болд</i>");
    broken.claimedTime.reset();
    struct Row {
        const char* state;
        std::optional<PdfVerification> injected; // none: the page's own default
        QString overallEn;
        QString overallMn;
        QStringList verdictsEn;
        QStringList verdictsMn;
        bool pictured = true;
        // Set: a genuinely signed PDF through the real checker, trusting these authorities.
        std::optional<orvela::signing::VerifyOptions> genuine = std::nullopt;
        DocumentVerdict genuineOverall = DocumentVerdict::couldNotCheck;
    };
    const auto authority = orvela::pades::makeAuthority("Orvela Test CA");
    orvela::pades::SignOptions signOptions;
    signOptions.timestamper = orvela::pades::issueTimestamper(authority, "Orvela Test TSA");
    signOptions.chain = {authority};
    const std::string signedPdf = orvela::pades::signPdf(
        orvela::pades::samplePdf("Contract"),
        orvela::pades::issueSigner(authority, "УБ99112233", "Батын Болд"), signOptions);
    const QString genuinePdf =
        write(QStringLiteral("signed.pdf"), QByteArray::fromStdString(signedPdf));
    const orvela::signing::VerifyOptions trustingTheAuthority{
        false, QByteArray::fromStdString(authority.certificatePem()), {}};
    const Row rows[] = {
        {"valid",
         PdfVerification{DocumentVerdict::valid, {proved}},
         "Every signature is valid",
         "Бүх гарын үсэг хүчинтэй",
         {"Valid"},
         {"Хүчинтэй"}},
        {"untrusted",
         PdfVerification{DocumentVerdict::validSignerUntrusted,
                         {signature(SignatureVerdict::validSignerUntrusted)}},
         "The signatures are valid, but a signer is not trusted",
         "Гарын үсэг хүчинтэй боловч гарын үсэг зурсан этгээд итгэмжлэгдээгүй",
         {"Valid, signer not trusted"},
         {"Хүчинтэй, зурсан этгээд итгэмжлэгдээгүй"}},
        {"changed",
         PdfVerification{DocumentVerdict::changedAfterSigning, {later, proved}},
         "The document was changed after it was signed",
         "Баримтыг гарын үсэг зурсны дараа өөрчилсөн",
         {"Changed after signing", "Valid"},
         {"Гарын үсэг зурсны дараа өөрчлөгдсөн", "Хүчинтэй"}},
        {"invalid",
         PdfVerification{DocumentVerdict::invalid, {broken}},
         "A signature is invalid",
         "Хүчингүй гарын үсэг байна",
         {"Invalid: the signed content was altered"},
         {"Хүчингүй: гарын үсэг зурсан агуулга өөрчлөгдсөн"}},
        // Until a verifier is supplied the page says so, never "valid".
        {"unchecked",
         std::nullopt,
         "The signatures could not be checked",
         "Гарын үсгийг шалгаж чадсангүй",
         {},
         {}},
        // A verdict better than its signatures, or about signatures it does not list, is not
        // shown as given.
        {"overclaimed",
         PdfVerification{DocumentVerdict::valid, {proved, broken}},
         "A signature is invalid",
         "Хүчингүй гарын үсэг байна",
         {"Valid", "Invalid: the signed content was altered"},
         {"Хүчинтэй", "Хүчингүй: гарын үсэг зурсан агуулга өөрчлөгдсөн"},
         false},
        {"unlisted",
         PdfVerification{DocumentVerdict::valid, {}},
         "The signatures could not be checked",
         "Гарын үсгийг шалгаж чадсангүй",
         {},
         {},
         false},
        {"unsigned",
         PdfVerification{DocumentVerdict::noSignatures, {}},
         "The document has no signatures",
         "Баримтад гарын үсэг алга",
         {},
         {},
         false},
        // The real checker: the same file is valid to whom trusts its authority, and intact but
        // untrusted to the system's authorities alone.
        {"genuine-trusted",
         std::nullopt,
         "Every signature is valid",
         "Бүх гарын үсэг хүчинтэй",
         {"Valid"},
         {"Хүчинтэй"},
         true,
         trustingTheAuthority,
         DocumentVerdict::valid},
        {"genuine-untrusted",
         std::nullopt,
         "The signatures are valid, but a signer is not trusted",
         "Гарын үсэг хүчинтэй боловч гарын үсэг зурсан этгээд итгэмжлэгдээгүй",
         {"Valid, signer not trusted"},
         {"Хүчинтэй, зурсан этгээд итгэмжлэгдээгүй"},
         true,
         orvela::signing::VerifyOptions{},
         DocumentVerdict::validSignerUntrusted},
    };
    const QStringList kept{"Батын Болд", "УБ99112233", "contract.pdf", "signed.pdf", "Болд"};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.state);
        std::atomic<bool> onInterfaceThread = false;
        PdfVerifier verifier;
        if (row.injected) {
            verifier = [&onInterfaceThread, result = *row.injected](const QString&) {
                onInterfaceThread = QThread::currentThread() == qApp->thread();
                return result;
            };
        } else if (row.genuine) {
            verifier = [&onInterfaceThread,
                        real = pdfSignatureVerifier(*row.genuine)](const QString& path) {
                onInterfaceThread = QThread::currentThread() == qApp->thread();
                return real(path);
            };
        }
        VerifyController pdfController(nullptr, &localization, verifier);
        VerifyView view(pdfController, localization);
        view.resize(640, 1250);
        view.show();
        const QString file = row.genuine ? genuinePdf : pdf;
        pdfController.loadFile(file);
        EXPECT_EQ(pdfController.pdfPath(), file);
        EXPECT_EQ(verdictOf(view), QStringLiteral("Гарын үсгийг шалгаж байна…"));
        auto* preview = view.findChild<PdfPagePreview*>(QStringLiteral("pdfPreview"));
        ASSERT_NE(preview, nullptr);
        ASSERT_TRUE(orvela::testing::waitUntil([&] {
            return !pdfController.isLoading() && preview->state() == PdfPagePreview::State::shown;
        }));
        EXPECT_FALSE(onInterfaceThread);
        EXPECT_EQ(pdfController.pdfVerification().value_or(PdfVerification{}).overall,
                  row.injected ? row.injected->overall : row.genuineOverall);
        for (const AppLanguage language : {AppLanguage::mn, AppLanguage::en}) {
            localization.overrideLanguage(language);
            const bool en = language == AppLanguage::en;
            EXPECT_EQ(verdictOf(view), en ? row.overallEn : row.overallMn);
            EXPECT_EQ(verdictTexts(view), en ? row.verdictsEn : row.verdictsMn);
            const QStringList foreign = orvela::testing::foreignTexts(view, language, kept);
            EXPECT_TRUE(foreign.isEmpty()) << foreign.join(u'\n').toStdString();
            EXPECT_TRUE(orvela::testing::labelsDrawingMarkup(view, "<i>").isEmpty());
            const QString name =
                QStringLiteral("verify-pdf-%1-%2").arg(row.state, en ? "en" : "mn");
            EXPECT_TRUE(!row.pictured || !orvela::testing::saveScreenshot(view, name).isEmpty());
        }
        localization.overrideLanguage(AppLanguage::mn);
    }
}

// A PDF that is no regular file or too large reaches no verifier; one that throws has checked
// nothing; a check overtaken by a clear or a dropped certificate shows nothing; a dropped PDF
// takes the PDF road.
TEST_F(VerifyPageTest, APdfTheVerifierCannotTakeIsRefusedAndAStaleCheckIsDropped)
{
    std::atomic<int> calls = 0;
    std::atomic<bool> slow = false;
    VerifyController pdfController(nullptr, &localization, [&](const QString& path) {
        ++calls;
        if (slow) {
            QThread::msleep(300);
        }
        if (path.contains(QStringLiteral("throws"))) {
            throw std::runtime_error("gave up");
        }
        return PdfVerification{DocumentVerdict::valid, {signature(SignatureVerdict::valid)}};
    });
    const auto check = [&](const QString& path) {
        pdfController.loadFile(path);
        EXPECT_TRUE(orvela::testing::waitUntil([&] { return !pdfController.isLoading(); }));
    };
    localization.overrideLanguage(AppLanguage::en);
    const QString fifo = dir.filePath(QStringLiteral("pipe.PDF"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString huge = write(QStringLiteral("huge.pdf"), "%PDF-1.7\n");
    ASSERT_TRUE(QFile::resize(huge, orvela::common::inputLimit::viewedDocument + 1));
    check(fifo);
    EXPECT_EQ(pdfController.errorMessage(), QStringLiteral("Not a regular file: ") + fifo);
    check(huge);
    EXPECT_TRUE(pdfController.errorMessage().startsWith(
        QStringLiteral("Too large; the most accepted here is")))
        << pdfController.errorMessage().toStdString();
    EXPECT_EQ(calls, 0);
    EXPECT_FALSE(pdfController.pdfVerification().has_value());
    EXPECT_EQ(pdfController.sourcePath(), huge);

    check(write(QStringLiteral("throws.pdf"), orvela::testing::samplePdf(QStringLiteral("x"))));
    EXPECT_EQ(pdfController.pdfVerification()->overall, DocumentVerdict::couldNotCheck);
    EXPECT_TRUE(pdfController.errorMessage().isEmpty());

    const QString pdf = write(QStringLiteral("a.pdf"), orvela::testing::samplePdf("a"));
    slow = true;
    pdfController.loadFile(pdf);
    pdfController.clear();
    orvela::testing::runEventLoopFor(600);
    EXPECT_FALSE(pdfController.pdfVerification().has_value());
    EXPECT_TRUE(pdfController.pdfPath().isEmpty());
    EXPECT_TRUE(pdfController.dropUrls({QUrl::fromLocalFile(pdf)}));
    const QString certificate = write(QStringLiteral("c.der"), makeCertificate());
    pdfController.loadFile(certificate);
    EXPECT_TRUE(pdfController.pdfPath().isEmpty());
    EXPECT_TRUE(orvela::testing::waitUntil([&] { return !pdfController.isLoading(); }));
    orvela::testing::runEventLoopFor(400);
    EXPECT_TRUE(pdfController.info().has_value());
    EXPECT_FALSE(pdfController.pdfVerification().has_value());
}
