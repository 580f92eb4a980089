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
#include <optional>

using namespace orvela::shell;
using orvela::shell::testing::ShellFixture;

namespace {

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

// The stored theme is applied at launch; any other word, or none, puts the platform's own look
// back. A choice made later reaches the running program through the same settings.
TEST_F(ThemeTest, TheStoredThemeIsAppliedAtLaunch)
{
    const QString key = orvela::settings::uiTheme.toString();
    const std::pair<const char*, std::optional<bool>> cases[] = {
        {"dark", true}, {"light", false}, {"system", {}}, {"sepia", {}}, {"", {}}, {nullptr, {}}};
    for (const auto& [stored, dark] : cases) {
        SCOPED_TRACE(stored ? stored : "missing");
        Appearance::apply(dark == true ? ThemeMode::light : ThemeMode::dark);
        if (stored) {
            store().setValue(key, stored);
        } else {
            store().remove(key);
        }
        Appearance::applyStored(store());
        if (dark) {
            EXPECT_EQ(QApplication::palette().color(QPalette::Window).lightness() < 128, *dark);
            EXPECT_EQ(QApplication::style()->name().toLower(), "fusion");
        } else {
            EXPECT_EQ(QApplication::style()->name(), m_platformStyle);
            EXPECT_EQ(QApplication::palette().color(QPalette::Window), m_platformWindow);
        }
    }
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

// What `widget` draws over `behind`, at its preferred size.
QImage drawnOver(QWidget& widget, const QColor& behind)
{
    widget.ensurePolished();
    widget.resize(widget.sizeHint());
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(behind);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
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

// Every text, icon, control mark and focus ring of the style against what it is drawn on, in
// both themes, on a window and on a card. The widgets are built under the other theme: a theme
// switch must reach them as it reaches the controls of an open screen.
TEST_F(ThemeTest, EverythingDrawnStandsOutInBothThemesAndAfterASwitch)
{
    namespace style = orvela::components::style;
    using orvela::components::ActionButton;
    using orvela::components::InlineBanner;
    using orvela::components::StatusPill;
    using orvela::components::Tone;
    for (auto [built, shown] : {std::pair{ThemeMode::light, ThemeMode::dark},
                                std::pair{ThemeMode::dark, ThemeMode::light}}) {
        Appearance::apply(built);
        QWidget screen;
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
        std::vector<ActionButton*> buttons;
        for (auto role : {ActionButton::Role::primary, ActionButton::Role::secondary,
                          ActionButton::Role::destructive}) {
            buttons.push_back(new ActionButton(QStringLiteral("Change PIN"), role, &screen));
        }
        screen.show();
        QApplication::setActiveWindow(&screen);
        Appearance::apply(shown);

        const QPalette p = QApplication::palette();
        const auto indicator = [](QCheckBox& box) {
            QStyleOptionButton option;
            option.initFrom(&box);
            return box.style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, &box);
        };
        const char* theme = shown == ThemeMode::dark ? "dark " : "light ";
        for (const QColor& behind : {p.color(QPalette::Window), style::cardBackground(p)}) {
            const auto expect = [&](const QString& what, double ratio, double least) {
                EXPECT_GE(ratio, least)
                    << theme << what.toStdString() << " on " << behind.name().toStdString();
            };
            const auto text = [&](const char* what, QPalette::ColorRole role, const QColor& on) {
                expect(what, contrast(p.color(role), on), 4.5);
            };
            text("window text", QPalette::WindowText, behind);
            text("secondary text", QPalette::PlaceholderText, behind);
            text("link", QPalette::Link, behind);
            text("field text", QPalette::Text, p.color(QPalette::Base));
            text("placeholder", QPalette::PlaceholderText, p.color(QPalette::Base));
            text("button text", QPalette::ButtonText, p.color(QPalette::Button));
            text("selection", QPalette::HighlightedText, p.color(QPalette::Highlight));
            expect("primary button", contrast(Qt::white, style::brandBlue), 4.5);
            expect("icon", contrast(style::iconColor(p), behind), 3.0);
            for (Tone tone : {Tone::neutral, Tone::info, Tone::success, Tone::warning, Tone::danger,
                              Tone::accent}) {
                const auto colours = style::toneColors(tone, p);
                const QString what = QStringLiteral("tone %1 ").arg(static_cast<int>(tone));
                expect(what + "text", contrast(colours.foreground, behind), 4.5);
                expect(what + "on its fill",
                       contrast(colours.foreground, over(colours.background, behind)), 4.5);
                expect(what + "outline", contrast(over(colours.border, behind), behind), 3.0);
            }

            expect("check box border",
                   peakContrast(drawnOver(unchecked, behind), indicator(unchecked), behind), 3.0);
            const QImage box = drawnOver(checked, behind);
            expect("checked box fill",
                   contrast(box.pixelColor(indicator(checked).center()), behind), 3.0);
            const QImage selected = drawnOver(tab, behind);
            expect(
                "selected tab",
                contrast(selected.pixelColor(selected.width() / 2, selected.height() - 2), behind),
                3.0);
            // Text and marks on a fill of the widget's own are read against that fill.
            const auto onOwnFill = [&](QWidget& widget) {
                const QImage image = drawnOver(widget, behind);
                return peakContrast(image, image.rect(), image.pixelColor(4, image.height() / 2));
            };
            expect("pill text", onOwnFill(pill), 4.5);
            expect("banner icon", onOwnFill(banner), 3.0);
            // Keyboard users find the focused button by its ring, whatever its kind.
            for (ActionButton* button : buttons) {
                button->setFocus();
                const QImage image = drawnOver(*button, behind);
                expect("focus ring " + QVariant::fromValue(button->role()).toString(),
                       contrast(image.pixelColor(1, image.height() / 2), behind), 3.0);
            }
        }
    }
}

// A form is sent from its fields with Enter unless it is not ready.
TEST(ActionButtonTest, EnterInAFieldSendsTheFormOnlyWhenItIsReady)
{
    using orvela::components::ActionButton;
    QWidget screen;
    auto* field = new QLineEdit(&screen);
    auto* button =
        new ActionButton(QStringLiteral("Change PIN"), ActionButton::Role::primary, &screen);
    button->submitOnEnter({field});
    screen.show();
    QSignalSpy clicks(button, &QAbstractButton::clicked);
    for (bool ready : {true, false}) {
        button->setEnabled(ready);
        QTest::keyClick(field, Qt::Key_Return);
    }
    EXPECT_EQ(clicks.count(), 1);
}

} // namespace
