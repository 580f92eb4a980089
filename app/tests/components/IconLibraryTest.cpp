#include "components/IconLibrary.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using orvela::components::IconLibrary;

namespace {

// Pixels that are not fully transparent: a drawing that failed to parse renders as none.
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

QColor centre(const QString& symbol)
{
    return IconLibrary::icon(symbol).pixmap(32).toImage().pixelColor(16, 16);
}

// A theme made on the spot, holding only the icons the test puts in it.
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

TEST_F(IconLibraryTest, WithoutThemeIconsEveryShippedDrawingIsDrawn)
{
    for (const QString& symbol : IconLibrary::knownSymbols()) {
        EXPECT_GT(paintedPixels(IconLibrary::icon(symbol).pixmap(32, 32).toImage()), 20)
            << symbol.toStdString();
    }
    const QImage unknown = IconLibrary::icon("no.such.symbol").pixmap(32).toImage();
    const QImage question = IconLibrary::fallbackIcon("questionmark.circle").pixmap(32).toImage();
    EXPECT_GT(paintedPixels(unknown), 20);
    EXPECT_EQ(unknown.convertToFormat(QImage::Format_ARGB32),
              question.convertToFormat(QImage::Format_ARGB32));
}

TEST_F(IconLibraryTest, AThemeIconWinsByAnyOfItsNamesAndOnlyForItsSymbol)
{
    addThemeIcon(QStringLiteral("dialog-warning"), Qt::red);
    addThemeIcon(QStringLiteral("user-trash"), Qt::green);
    EXPECT_EQ(centre("exclamationmark.triangle.fill"), QColor(Qt::red));
    // "trash" names "user-trash" second: it is tried when the first name is missing.
    EXPECT_EQ(centre("trash"), QColor(Qt::green));
    const QImage shipped = IconLibrary::icon("lock.shield").pixmap(32).toImage();
    EXPECT_NE(shipped.pixelColor(16, 16), QColor(Qt::red));
    EXPECT_GT(paintedPixels(shipped), 20);
}

} // namespace
