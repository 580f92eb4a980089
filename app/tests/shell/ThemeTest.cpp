#include "QtPrinters.h"
#include "ShellFixture.h"
#include "common/SettingsKeys.h"
#include "components/ActionButton.h"
#include "components/InlineBanner.h"
#include "components/StatusPill.h"
#include "components/Style.h"
#include "shell/Appearance.h"

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <cmath>
#include <functional>
#include <optional>

using namespace orvela::shell;
using orvela::shell::testing::ShellFixture;

namespace {

bool looksDark()
{
    return QApplication::palette().color(QPalette::Window).lightness() < 128;
}

class ThemeTest : public ShellFixture {
protected:
    void SetUp() override
    {
        Appearance::apply(ThemeMode::system);
        m_platformStyle = QApplication::style()->name();
        m_platformWindow = QApplication::palette().color(QPalette::Window);
    }
    void TearDown() override { Appearance::apply(ThemeMode::system); }

    QString m_platformStyle;
    QColor m_platformWindow;
};

TEST_F(ThemeTest, TheStoredThemeIsAppliedAtLaunch)
{
    store().setValue(orvela::settings::uiTheme.toString(), "dark");
    Appearance::applyStored(store());
    EXPECT_TRUE(looksDark());
    EXPECT_EQ(QApplication::style()->name().toLower(), "fusion");

    store().setValue(orvela::settings::uiTheme.toString(), "light");
    Appearance::applyStored(store());
    EXPECT_FALSE(looksDark());
    EXPECT_EQ(QApplication::style()->name().toLower(), "fusion");
}

TEST_F(ThemeTest, SystemUnknownAndMissingValuesPutThePlatformLookBack)
{
    for (const char* value : std::initializer_list<const char*>{"system", "sepia", "", nullptr}) {
        Appearance::apply(ThemeMode::dark);
        if (value == nullptr) {
            store().remove(orvela::settings::uiTheme.toString());
        } else {
            store().setValue(orvela::settings::uiTheme.toString(), value);
        }
        Appearance::applyStored(store());
        EXPECT_EQ(QApplication::style()->name(), m_platformStyle) << (value ? value : "missing");
        EXPECT_EQ(QApplication::palette().color(QPalette::Window), m_platformWindow);
    }
}

TEST_F(ThemeTest, ChoosingAThemeAppliesItAtOnceAndStoresIt)
{
    Appearance::follow(*controller);
    controller->setTheme(ThemeMode::dark);
    EXPECT_TRUE(looksDark());
    EXPECT_EQ(storedOnDisk(orvela::settings::uiTheme.toString()).toString(), "dark");
    EXPECT_EQ(controller->theme(), ThemeMode::dark);

    controller->setTheme(ThemeMode::light);
    EXPECT_FALSE(looksDark());
    EXPECT_EQ(storedOnDisk(orvela::settings::uiTheme.toString()).toString(), "light");

    controller->setTheme(ThemeMode::system);
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), m_platformWindow);
    EXPECT_EQ(storedOnDisk(orvela::settings::uiTheme.toString()).toString(), "system");
}

// WCAG 2.1 relative luminance and contrast ratio of two opaque colours.
double luminance(const QColor& color)
{
    const auto channel = [](double value) {
        return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF()) +
           0.0722 * channel(color.blueF());
}

double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// A translucent fill as it shows over `below`.
QColor over(const QColor& fill, const QColor& below)
{
    const float a = fill.alphaF();
    return QColor::fromRgbF(fill.redF() * a + below.redF() * (1 - a),
                            fill.greenF() * a + below.greenF() * (1 - a),
                            fill.blueF() * a + below.blueF() * (1 - a));
}

TEST_F(ThemeTest, EveryTextAndIconColourOfTheStyleIsReadableInBothThemes)
{
    namespace style = orvela::components::style;
    using orvela::components::Tone;
    struct Pair {
        const char* what;
        QColor foreground;
        QColor background;
        double least;
    };
    for (ThemeMode mode : {ThemeMode::light, ThemeMode::dark}) {
        Appearance::apply(mode);
        const QPalette p = QApplication::palette();
        const QColor window = p.color(QPalette::Window);
        const QColor card = style::cardBackground(p);
        std::vector<Pair> pairs = {
            {"window text", p.color(QPalette::WindowText), window, 4.5},
            {"field text", p.color(QPalette::Text), p.color(QPalette::Base), 4.5},
            {"button text", p.color(QPalette::ButtonText), p.color(QPalette::Button), 4.5},
            {"placeholder", p.color(QPalette::PlaceholderText), p.color(QPalette::Base), 4.5},
            {"secondary text on window", p.color(QPalette::PlaceholderText), window, 4.5},
            {"secondary text on card", p.color(QPalette::PlaceholderText), card, 4.5},
            {"link", p.color(QPalette::Link), window, 4.5},
            {"selection", p.color(QPalette::HighlightedText), p.color(QPalette::Highlight), 4.5},
            {"primary button", Qt::white, style::brandBlue, 4.5},
            {"icon on window", style::iconColor(p), window, 3.0},
            {"icon on card", style::iconColor(p), card, 3.0},
        };
        for (Tone tone : {Tone::neutral, Tone::info, Tone::success, Tone::warning, Tone::danger,
                          Tone::accent}) {
            const auto colours = style::toneColors(tone, p);
            pairs.push_back({"tone on window", colours.foreground, window, 4.5});
            pairs.push_back({"tone on card", colours.foreground, card, 4.5});
            pairs.push_back(
                {"tone on its fill", colours.foreground, over(colours.background, card), 4.5});
            pairs.push_back({"tone outline", over(colours.border, card), card, 3.0});
        }
        for (std::size_t i = 0; i < pairs.size(); ++i) {
            const Pair& pair = pairs[i];
            EXPECT_GE(contrast(pair.foreground, pair.background), pair.least)
                << (mode == ThemeMode::dark ? "dark " : "light ") << pair.what << " #" << i << ": "
                << pair.foreground.name().toStdString() << " on "
                << pair.background.name().toStdString();
        }
    }
}

// The strongest contrast any pixel of `area` makes against `background`.
double peakContrast(const QImage& image, const QRect& area, const QColor& background)
{
    double best = 1.0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            best = std::max(best, contrast(image.pixelColor(x, y), background));
        }
    }
    return best;
}

// Widgets whose colours depend on the theme, built under one theme and drawn under the other:
// what they draw must read against what lies behind them on a window and on a card.
TEST_F(ThemeTest, ColouredControlsAreVisibleAndFollowAThemeSwitch)
{
    namespace style = orvela::components::style;
    using orvela::components::InlineBanner;
    using orvela::components::StatusPill;
    using orvela::components::Tone;
    for (auto [built, shown] : {std::pair{ThemeMode::light, ThemeMode::dark},
                                std::pair{ThemeMode::dark, ThemeMode::light}}) {
        Appearance::apply(built);
        QWidget screen; // a theme switch reaches the controls of a window, as on a screen
        QCheckBox unchecked(QStringLiteral("Launch"), &screen);
        QCheckBox checked(QStringLiteral("Launch"), &screen);
        checked.setChecked(true);
        QPushButton tab(QStringLiteral("Register number"), &screen);
        tab.setCheckable(true);
        tab.setChecked(true);
        for (QWidget* control : std::initializer_list<QWidget*>{&unchecked, &checked, &tab}) {
            style::showSelectionControls(control);
        }
        StatusPill pill(QStringLiteral("Active"), Tone::success, &screen);
        InlineBanner banner(InlineBanner::Kind::error, QStringLiteral("Refused"), &screen);
        screen.show();
        Appearance::apply(shown);

        const auto indicator = [](QCheckBox& box) {
            QStyleOptionButton option;
            option.initFrom(&box);
            return box.style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, &box);
        };
        struct Row {
            const char* what;
            QWidget* widget;
            std::function<QRect(const QImage&)> area; // the pixels that must stand out
            std::optional<QPoint> fill; // read against the widget's own fill, not what is behind
            double least;
        };
        const std::vector<Row> rows = {
            {"check box border", &unchecked, [&](const QImage&) { return indicator(unchecked); },
             std::nullopt, 3.0},
            {"checked box fill", &checked,
             [&](const QImage&) {
                 const QRect box = indicator(checked);
                 return QRect(box.center(), QSize(1, 1));
             },
             std::nullopt, 3.0},
            {"selected tab", &tab,
             [](const QImage& image) { return QRect(image.width() / 2, image.height() - 2, 1, 1); },
             std::nullopt, 3.0},
            {"pill text", &pill, [](const QImage& image) { return image.rect(); }, QPoint(4, 0),
             4.5},
            {"banner icon", &banner, [](const QImage& image) { return image.rect(); }, QPoint(4, 0),
             3.0},
        };
        const QPalette p = QApplication::palette();
        for (const QColor& behind : {p.color(QPalette::Window), style::cardBackground(p)}) {
            for (const Row& row : rows) {
                row.widget->ensurePolished();
                row.widget->resize(row.widget->sizeHint());
                QImage image(row.widget->size(), QImage::Format_RGB32);
                image.fill(behind);
                row.widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
                const QColor background =
                    row.fill ? image.pixelColor(row.fill->x(), image.height() / 2) : behind;
                EXPECT_GE(peakContrast(image, row.area(image), background), row.least)
                    << (shown == ThemeMode::dark ? "dark " : "light ") << row.what << " on "
                    << background.name().toStdString();
            }
        }
    }
}

// Keyboard users find the focused button by its ring, whatever its kind and the theme, and
// send a form from its fields with Enter unless the form is not ready.
TEST_F(ThemeTest, ButtonsShowFocusAndFormsSubmitOnEnterInBothThemes)
{
    namespace style = orvela::components::style;
    using orvela::components::ActionButton;
    for (ThemeMode mode : {ThemeMode::light, ThemeMode::dark}) {
        Appearance::apply(mode);
        const QPalette p = QApplication::palette();
        for (auto role : {ActionButton::Role::primary, ActionButton::Role::secondary,
                          ActionButton::Role::destructive}) {
            QWidget screen;
            auto* field = new QLineEdit(&screen);
            auto* button = new ActionButton(QStringLiteral("Change PIN"), role, &screen);
            button->move(0, 40);
            button->resize(button->sizeHint());
            button->submitOnEnter({field});
            screen.show();
            QApplication::setActiveWindow(&screen);
            const QString what = QStringLiteral("%1 %2")
                                     .arg(mode == ThemeMode::dark ? "dark" : "light")
                                     .arg(QVariant::fromValue(role).toString());

            button->setFocus();
            ASSERT_TRUE(button->hasFocus()) << what.toStdString();
            for (const QColor& behind : {p.color(QPalette::Window), style::cardBackground(p)}) {
                QImage image(button->size(), QImage::Format_RGB32);
                image.fill(behind);
                button->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
                const QColor ring = image.pixelColor(1, image.height() / 2);
                EXPECT_GE(contrast(ring, behind), 3.0)
                    << what.toStdString() << " focus ring " << ring.name().toStdString() << " on "
                    << behind.name().toStdString();
            }

            QSignalSpy clicks(button, &QAbstractButton::clicked);
            for (bool ready : {true, false}) {
                button->setEnabled(ready);
                QTest::keyClick(field, Qt::Key_Return);
            }
            EXPECT_EQ(clicks.count(), 1) << what.toStdString() << ": Enter in the field";
        }
    }
}

} // namespace
