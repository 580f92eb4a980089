#include "components/IconLibrary.h"

#include <QImage>
#include <gtest/gtest.h>

using orvela::components::IconLibrary;

namespace {

QImage drawn(const QString& symbol)
{
    return IconLibrary::fallbackIcon(symbol).pixmap(32, 32).toImage().convertToFormat(
        QImage::Format_ARGB32);
}

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

// The drawings shipped for when the desktop's icon theme has none of its own.
TEST(IconLibraryTest, EveryShippedDrawingIsDrawnAndAnUnknownSymbolGetsTheQuestionMark)
{
    for (const QString& symbol : IconLibrary::knownSymbols()) {
        EXPECT_GT(paintedPixels(drawn(symbol)), 20) << symbol.toStdString();
    }
    EXPECT_GT(paintedPixels(drawn("no.such.symbol")), 20);
    EXPECT_EQ(drawn("no.such.symbol"), drawn("questionmark.circle"));
}

} // namespace
