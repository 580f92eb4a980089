// QR codes: level M, a sharp ×10 image with a quiet zone, and texts that cannot be encoded.

#include "signin/QrCode.h"

#include <gtest/gtest.h>

using orvela::signin::QrCode;

namespace {

// Level M is the only level whose first version holds exactly 14 bytes: L takes 17, Q 11, H 7.
TEST(QrCode, UsesErrorCorrectionLevelM)
{
    EXPECT_EQ(QrCode::encode(QString(14, u'x')).value().size(), 21);
    EXPECT_EQ(QrCode::encode(QString(15, u'x')).value().size(), 25);
}

TEST(QrCode, TextsWithoutAUtf8FormOrTooLongGiveNoCode)
{
    EXPECT_FALSE(QrCode::encode(QString(QChar(0xD800))).has_value());
    EXPECT_FALSE(QrCode::encode(QString(5000, u'x')).has_value());
    EXPECT_TRUE(QrCode::encode(QString::fromUcs4(U"😀")).has_value()); // a valid pair is fine
}

// The image: ten sharp pixels a module and a quiet zone. The terminal: two rows of modules a
// line in half blocks, drawn light on dark, inside a border.
TEST(QrCode, TheImageAndTheHalfBlockLinesCarryEveryModule)
{
    const auto code = QrCode::encode(QStringLiteral("nuvia://auth?session=42"));
    ASSERT_TRUE(code.has_value());
    const QImage image = code->image();
    const int modules = code->size() + 2 * QrCode::quietZone;
    ASSERT_EQ(image.size(), QSize(modules * 10, modules * 10));
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const bool dark = code->dark(x / 10 - QrCode::quietZone, y / 10 - QrCode::quietZone);
            ASSERT_EQ(qGray(image.pixel(x, y)), dark ? 0 : 255) << x << "," << y;
        }
    }
    EXPECT_FALSE(code->dark(-1, 0));

    const int border = 2;
    const QStringList lines = code->halfBlockLines(border);
    const int side = code->size() + 2 * border;
    ASSERT_EQ(lines.size(), (side + 1) / 2);
    for (qsizetype row = 0; row < lines.size(); ++row) {
        ASSERT_EQ(lines[row].size(), side);
        for (int column = 0; column < side; ++column) {
            const QChar cell = lines[row].at(column);
            const int x = column - border;
            const int y = static_cast<int>(row) * 2 - border;
            const bool top = cell == QChar(0x2588) || cell == QChar(0x2580);
            const bool bottom = cell == QChar(0x2588) || cell == QChar(0x2584);
            ASSERT_TRUE(top || bottom || cell == u' ') << "unexpected character";
            EXPECT_EQ(top, !code->dark(x, y)) << x << "," << y;
            // Below the border there is nothing to draw.
            EXPECT_EQ(bottom, y + 1 < side - border && !code->dark(x, y + 1)) << x << "," << y + 1;
        }
    }
}

} // namespace
