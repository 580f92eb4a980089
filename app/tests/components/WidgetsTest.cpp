#include "Screenshot.h"
#include "components/AccentBadge.h"
#include "components/ActionButton.h"
#include "components/Card.h"
#include "components/InlineBanner.h"
#include "components/StatusDot.h"
#include "components/StatusPill.h"
#include "components/VerificationCodeView.h"

#include <QGridLayout>
#include <QLabel>
#include <QSet>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace orvela::components;

namespace {

TEST(VerificationCodeView, OneBoxPerCharacterAndNoLeftoversOnChange)
{
    VerificationCodeView view;
    view.setCode(QStringLiteral("1234"));
    EXPECT_EQ(view.boxTexts(), QStringList({"1", "2", "3", "4"}));
    EXPECT_EQ(view.findChildren<QLabel*>().size(), 4);
    EXPECT_EQ(view.accessibleName(), QStringLiteral("1234"));

    view.setCode(QStringLiteral("07"));
    EXPECT_EQ(view.boxTexts(), QStringList({"0", "7"}));
    EXPECT_EQ(view.findChildren<QLabel*>().size(), 2);

    view.setCode(QString());
    EXPECT_TRUE(view.boxTexts().isEmpty());
    EXPECT_TRUE(view.findChildren<QLabel*>().isEmpty());
}

TEST(Tones, EachToneHasItsOwnColourAndTranslucentFill)
{
    QSet<QRgb> seen;
    for (Tone tone :
         {Tone::neutral, Tone::info, Tone::success, Tone::warning, Tone::danger, Tone::accent}) {
        const ToneColors colors = style::toneColors(tone);
        seen.insert(colors.foreground.rgb());
        EXPECT_LT(colors.background.alpha(), 255);
        EXPECT_EQ(colors.background.rgb(), colors.foreground.rgb());
    }
    EXPECT_EQ(seen.size(), 6);
}

TEST(Tones, CardsStandApartFromFieldsOnDarkWindows)
{
    QPalette light;
    light.setColor(QPalette::Window, QColor(0xF5, 0xF6, 0xF8));
    light.setColor(QPalette::Base, Qt::white);
    EXPECT_EQ(style::cardBackground(light), QColor(Qt::white));
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x1E, 0x21, 0x28));
    dark.setColor(QPalette::Base, QColor(0x16, 0x18, 0x1D));
    const QColor card = style::cardBackground(dark);
    EXPECT_GT(card.lightness(), dark.color(QPalette::Window).lightness());
    EXPECT_GT(card.lightness(), dark.color(QPalette::Base).lightness());
}

TEST(InlineBanner, KindSelectsToneSymbolAndColours)
{
    InlineBanner banner(InlineBanner::Kind::info, QStringLiteral("Hello"));
    EXPECT_EQ(banner.text(), QStringLiteral("Hello"));
    QSet<QString> sheets;
    QSet<QString> symbols;
    for (auto kind : {InlineBanner::Kind::info, InlineBanner::Kind::success,
                      InlineBanner::Kind::warning, InlineBanner::Kind::error}) {
        banner.setKind(kind);
        EXPECT_EQ(banner.kind(), kind);
        sheets.insert(banner.styleSheet());
        symbols.insert(InlineBanner::symbolOf(kind));
    }
    EXPECT_EQ(sheets.size(), 4);
    EXPECT_EQ(symbols.size(), 4);
    EXPECT_EQ(InlineBanner::toneOf(InlineBanner::Kind::error), Tone::danger);
    EXPECT_TRUE(
        banner.styleSheet().contains(style::cssColor(style::toneColors(Tone::danger).border)));
}

TEST(StatusPill, ToneChangesTheColours)
{
    const QString success = style::toneColors(Tone::success).foreground.name();
    StatusPill pill(QStringLiteral("OK"), Tone::success);
    EXPECT_TRUE(pill.styleSheet().contains(success));
    pill.setTone(Tone::danger);
    EXPECT_EQ(pill.tone(), Tone::danger);
    EXPECT_TRUE(pill.styleSheet().contains(style::toneColors(Tone::danger).foreground.name()));
    EXPECT_FALSE(pill.styleSheet().contains(success));
}

TEST(ActionButton, OnlyThePrimaryButtonIsTheDefault)
{
    ActionButton primary(QStringLiteral("Go"));
    ActionButton secondary(QStringLiteral("Back"), ActionButton::Role::secondary);
    EXPECT_TRUE(primary.isDefault());
    EXPECT_FALSE(secondary.isDefault());
    EXPECT_NE(primary.styleSheet(), secondary.styleSheet());
    primary.setRole(ActionButton::Role::secondary);
    EXPECT_FALSE(primary.isDefault());
    EXPECT_EQ(primary.styleSheet(), secondary.styleSheet());
}

TEST(Card, TitleLineHidesWhenEmpty)
{
    Card card(QStringLiteral("Title"));
    card.show();
    auto* title = card.findChild<QLabel*>(QStringLiteral("cardTitle"));
    ASSERT_NE(title, nullptr);
    EXPECT_TRUE(title->isVisible());
    card.setTitle(QString());
    EXPECT_FALSE(title->isVisible());
}

TEST(Gallery, SavesAPictureOfEveryComponent)
{
    QWidget gallery;
    gallery.resize(520, 420);
    auto* layout = new QVBoxLayout(&gallery);
    auto* card = new Card(QStringLiteral("Card title"));
    auto* row = new QHBoxLayout;
    row->addWidget(new StatusDot(Tone::success));
    row->addWidget(new StatusPill(QStringLiteral("Connected"), Tone::success));
    row->addWidget(new StatusPill(QStringLiteral("Checking"), Tone::neutral));
    row->addWidget(new StatusPill(QStringLiteral("Failed"), Tone::danger));
    row->addWidget(new AccentBadge(QStringLiteral("FIPS")));
    row->addStretch();
    card->contentLayout()->addLayout(row);
    auto* code = new VerificationCodeView;
    code->setCode(QStringLiteral("1234"));
    card->contentLayout()->addWidget(code);
    layout->addWidget(card);
    layout->addWidget(new InlineBanner(InlineBanner::Kind::info, QStringLiteral("Information")));
    layout->addWidget(new InlineBanner(InlineBanner::Kind::success, QStringLiteral("Done")));
    layout->addWidget(new InlineBanner(InlineBanner::Kind::warning, QStringLiteral("Careful")));
    layout->addWidget(new InlineBanner(InlineBanner::Kind::error, QStringLiteral("Failed")));
    auto* buttons = new QHBoxLayout;
    auto* primary = new ActionButton(QStringLiteral("Primary"));
    primary->setSymbol(QStringLiteral("lock.shield"));
    buttons->addWidget(primary);
    buttons->addWidget(
        new ActionButton(QStringLiteral("Secondary"), ActionButton::Role::secondary));
    buttons->addStretch();
    layout->addLayout(buttons);
    layout->addStretch();
    const QString path =
        orvela::testing::saveScreenshot(gallery, QStringLiteral("components-gallery"));
    ASSERT_FALSE(path.isEmpty());
    EXPECT_FALSE(QImage(path).isNull());
}

} // namespace
