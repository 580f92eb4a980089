#include "EventLoop.h"
#include "SamplePdf.h"
#include "common/LocalInput.h"
#include "common/LocalizationService.h"
#include "components/PdfPagePreview.h"
#include "components/PdfPageRenderer.h"

#include <QFile>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace orvela::components;
using orvela::common::AppLanguage;
using Status = PdfPageImage::Status;

namespace {

bool isDark(QRgb pixel)
{
    return qGray(pixel) < 64;
}

QString writeFile(const QTemporaryDir& dir, const char* name, const QByteArray& bytes)
{
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

} // namespace

// The page is drawn to fit the box with its proportions, never past the pixel cap, and what is
// on it lands where it belongs; anything that is not a drawable PDF, or not a regular file within
// the cap, gives no picture and is never waited on.
TEST(PdfPageRenderer, DrawsTheFirstPageToFitOrSaysWhyNot)
{
    QTemporaryDir dir;
    const QString sample = writeFile(dir, "a.pdf", orvela::testing::samplePdf("Contract"));
    const QString fifo = dir.filePath(QStringLiteral("fifo.pdf"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString huge = writeFile(dir, "huge.pdf", "%PDF-1.7\n");
    ASSERT_TRUE(QFile::resize(huge, orvela::common::inputLimit::viewedDocument + 1));

    struct Row {
        const char* name;
        QString path;
        QSize box;
        Status status;
        QSize size; // the picture's, when drawn
    };
    const Row rows[] = {
        {"portrait box", sample, QSize(200, 400), Status::rendered, QSize(200, 283)},
        {"wide box", sample, QSize(600, 300), Status::rendered, QSize(212, 300)},
        {"past the cap", sample, QSize(100'000, 100'000), Status::rendered, QSize(2894, 4096)},
        {"not a PDF",
         writeFile(dir, "junk.pdf", "%PDF-1.7\nnot really"),
         QSize(200, 300),
         Status::notRendered,
         {}},
        {"empty", writeFile(dir, "empty.pdf", {}), QSize(200, 300), Status::notRendered, {}},
        {"missing",
         dir.filePath(QStringLiteral("none.pdf")),
         QSize(200, 300),
         Status::unreadable,
         {}},
        {"FIFO", fifo, QSize(200, 300), Status::unreadable, {}},
        {"over the cap", huge, QSize(200, 300), Status::unreadable, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const PdfPageImage result = PdfPageRenderer::renderFirstPage(row.path, row.box);
        EXPECT_EQ(result.status, row.status);
        if (row.status != Status::rendered) {
            EXPECT_TRUE(result.image.isNull());
            continue;
        }
        // Rounding of the resolution may cost a pixel.
        EXPECT_LE(std::abs(result.image.width() - row.size.width()), 1) << result.image.width();
        EXPECT_LE(std::abs(result.image.height() - row.size.height()), 1) << result.image.height();
        const QImage& page = result.image;
        const auto y = [&page](double fraction) { return int(page.height() * fraction); };
        const int middle =
            y((orvela::testing::sampleBarTop + orvela::testing::sampleBarBottom) / 2);
        EXPECT_TRUE(isDark(page.pixel(page.width() / 2, middle)));
        EXPECT_FALSE(isDark(page.pixel(page.width() / 2, y(0.02))));
        EXPECT_FALSE(isDark(page.pixel(2, middle)));
    }
}

// The preview draws on the pool and shows the newest document only; the placeholder speaks the
// interface language and follows a switch.
TEST(PdfPagePreview, ShowsTheNewestDocumentOrAPlaceholderInTheInterfaceLanguage)
{
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
    orvela::common::LocalizationService texts(&settings);
    texts.overrideLanguage(AppLanguage::en);
    PdfPagePreview preview(texts);
    preview.resize(240, 320);
    preview.show();
    auto* message = preview.findChild<QLabel*>(QStringLiteral("previewMessage"));
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(preview.state(), PdfPagePreview::State::empty);
    EXPECT_FALSE(message->isVisible());

    const QString sample = writeFile(dir, "a.pdf", orvela::testing::samplePdf("Contract"));
    const QString junk = writeFile(dir, "junk.pdf", "not a PDF at all");
    QList<PdfPagePreview::State> states;
    QObject::connect(&preview, &PdfPagePreview::stateChanged,
                     [&states](PdfPagePreview::State state) { states << state; });
    // The sample's page, asked for first, must not replace the later document's answer.
    preview.setDocument(sample);
    preview.setDocument(junk);
    ASSERT_TRUE(orvela::testing::waitUntil(
        [&] { return preview.state() == PdfPagePreview::State::failed; }));
    orvela::testing::runEventLoopFor(300);
    EXPECT_EQ(states.last(), PdfPagePreview::State::failed);
    EXPECT_FALSE(states.contains(PdfPagePreview::State::shown));
    EXPECT_TRUE(message->isVisible());
    EXPECT_EQ(message->text(),
              QStringLiteral("The first page cannot be shown: the file is not a readable PDF."));
    texts.overrideLanguage(AppLanguage::mn);
    EXPECT_EQ(message->text(), QStringLiteral("Эхний хуудсыг харуулах боломжгүй: файл уншигдах PDF "
                                              "биш байна."));
    EXPECT_EQ(preview.accessibleDescription(), message->text());

    preview.setDocumentData(orvela::testing::samplePdf("Contract"));
    ASSERT_TRUE(orvela::testing::waitUntil(
        [&] { return preview.state() == PdfPagePreview::State::shown; }));
    EXPECT_FALSE(message->isVisible());
    const QImage drawn = preview.grab().toImage();
    // The page fills the preview's height, so the bar lies as high on the widget as on the page.
    const double bar = (orvela::testing::sampleBarTop + orvela::testing::sampleBarBottom) / 2;
    EXPECT_TRUE(isDark(drawn.pixel(drawn.width() / 2, int(drawn.height() * bar))))
        << "no bar where the page has one";
    preview.setDocument(QString());
    EXPECT_EQ(preview.state(), PdfPagePreview::State::empty);
}
