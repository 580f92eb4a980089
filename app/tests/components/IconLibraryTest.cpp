#include "components/IconLibrary.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using orvela::components::IconLibrary;

namespace {

// Pixels that are not fully transparent.
int paintedPixels(const QImage& image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
        }
    }
    return count;
}

bool hasColor(const QImage& image, QRgb rgb)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) == 255 && (pixel & 0xFFFFFF) == (rgb & 0xFFFFFF)) {
                return true;
            }
        }
    }
    return false;
}

// Runs each test with a theme made on the spot, holding only the icons a test puts in it.
class IconLibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedPaths = QIcon::themeSearchPaths();
        m_savedTheme = QIcon::themeName();
        QDir(m_dir.path()).mkpath(QStringLiteral("probe/32x32/status"));
        QFile index(m_dir.filePath(QStringLiteral("probe/index.theme")));
        ASSERT_TRUE(index.open(QIODevice::WriteOnly));
        index.write("[Icon Theme]\nName=probe\nDirectories=32x32/status\n\n"
                    "[32x32/status]\nSize=32\nType=Fixed\n");
        index.close();
        QIcon::setThemeSearchPaths({m_dir.path()});
        QIcon::setThemeName(QStringLiteral("probe"));
    }

    void TearDown() override
    {
        QIcon::setThemeSearchPaths(m_savedPaths);
        QIcon::setThemeName(m_savedTheme);
    }

    void addThemeIcon(const QString& name, const QColor& color)
    {
        QImage image(32, 32, QImage::Format_ARGB32);
        image.fill(color);
        ASSERT_TRUE(image.save(m_dir.filePath("probe/32x32/status/" + name + ".png")));
        // The theme was read before the file existed; naming it again drops the cached lookup.
        QIcon::setThemeName(QString());
        QIcon::setThemeName(QStringLiteral("probe"));
    }

    QTemporaryDir m_dir;
    QStringList m_savedPaths;
    QString m_savedTheme;
};

TEST_F(IconLibraryTest, EverySymbolTheScreensNameHasADrawing)
{
    const QStringList used{"lock.shield",
                           "checkmark.seal.fill",
                           "checkmark.shield.fill",
                           "xmark.shield",
                           "shield.checkered",
                           "exclamationmark.triangle.fill",
                           "doc.text.magnifyingglass",
                           "doc.text",
                           "info.circle",
                           "arrow.down.circle.fill",
                           "plus.circle.fill",
                           "sparkles",
                           "arrow.clockwise",
                           "chevron.left",
                           "chevron.right",
                           "key.horizontal.fill",
                           "key.fill",
                           "key.viewfinder",
                           "key.radiowaves.forward",
                           "lock.rotation",
                           "lock.open",
                           "lock.fill",
                           "list.bullet.rectangle",
                           "square.and.arrow.down",
                           "arrow.up.doc",
                           "arrow.up.doc.fill",
                           "arrow.right.square",
                           "antenna.radiowaves.left.and.right",
                           "checkmark.circle.fill",
                           "iphone.slash",
                           "signature",
                           "trash",
                           "tray"};
    const QStringList known = IconLibrary::knownSymbols();
    for (const QString& symbol : used) {
        SCOPED_TRACE(symbol.toStdString());
        EXPECT_TRUE(known.contains(symbol));
        EXPECT_FALSE(IconLibrary::themeNames(symbol).isEmpty());
        EXPECT_TRUE(QFile::exists(IconLibrary::fallbackPath(symbol)));
    }
}

TEST_F(IconLibraryTest, WithoutThemeIconsTheShippedDrawingsAreDrawn)
{
    for (const QString& symbol : IconLibrary::knownSymbols()) {
        SCOPED_TRACE(symbol.toStdString());
        const QImage image = IconLibrary::icon(symbol).pixmap(32, 32).toImage();
        ASSERT_FALSE(image.isNull());
        // A drawing that failed to parse renders as a blank square.
        EXPECT_GT(paintedPixels(image), 20);
    }
}

TEST_F(IconLibraryTest, AThemeIconWinsOverTheShippedDrawing)
{
    addThemeIcon(QStringLiteral("dialog-warning"), QColor(0xFF, 0x00, 0x00));
    const QImage themed = IconLibrary::icon("exclamationmark.triangle.fill").pixmap(32).toImage();
    EXPECT_EQ(themed.pixelColor(16, 16), QColor(0xFF, 0x00, 0x00));

    // A symbol whose theme names the theme lacks still gets its drawing, not the red square.
    const QImage shipped = IconLibrary::icon("lock.shield").pixmap(32).toImage();
    EXPECT_FALSE(hasColor(shipped, qRgb(0xFF, 0, 0)));
    EXPECT_GT(paintedPixels(shipped), 20);
}

TEST_F(IconLibraryTest, TheSecondThemeNameIsTriedWhenTheFirstIsMissing)
{
    addThemeIcon(QStringLiteral("user-trash"), QColor(0x00, 0x80, 0x00));
    EXPECT_EQ(IconLibrary::themeNames("trash").indexOf("user-trash"), 1);
    const QImage image = IconLibrary::icon("trash").pixmap(32).toImage();
    EXPECT_EQ(image.pixelColor(16, 16), QColor(0x00, 0x80, 0x00));
}

TEST_F(IconLibraryTest, AnUnknownSymbolShowsTheQuestionMark)
{
    const QImage unknown = IconLibrary::icon("no.such.symbol").pixmap(32).toImage();
    const QImage question = IconLibrary::fallbackIcon("questionmark.circle").pixmap(32).toImage();
    EXPECT_GT(paintedPixels(unknown), 20);
    EXPECT_EQ(unknown.convertToFormat(QImage::Format_ARGB32),
              question.convertToFormat(QImage::Format_ARGB32));
}

TEST_F(IconLibraryTest, TintingRecoloursTheDrawingButKeepsWhiteDetails)
{
    const QColor tint(0x10, 0x7C, 0x10);
    const QImage image = IconLibrary::tinted("checkmark.circle.fill", tint, 64).toImage();
    EXPECT_TRUE(hasColor(image, tint.rgb()));
    EXPECT_TRUE(hasColor(image, qRgb(0xFF, 0xFF, 0xFF)));
    EXPECT_FALSE(hasColor(image, qRgb(0x4A, 0x55, 0x68)));
}

} // namespace
