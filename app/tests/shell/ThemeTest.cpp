#include "QtPrinters.h"
#include "ShellFixture.h"
#include "common/SettingsKeys.h"
#include "components/ActionButton.h"
#include "components/InlineBanner.h"
#include "components/StatusPill.h"
#include "components/Style.h"
#include "dashboard/views/SidebarList.h"
#include "shell/views/Appearance.h"
#include "shell/views/AppearanceStyle.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QTabBar>
#include <QTest>
#include <cmath>
#include <optional>
#include <tuple>

using namespace orvela::shell;
using namespace orvela::dashboard::views;
using namespace orvela::shell::views;
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
            EXPECT_NE(qobject_cast<AppearanceStyle*>(QApplication::style()), nullptr);
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

// Every role of every colour group is the theme's own, as set and as the application then
// has it: a role left unset shows a colour Qt chose for another palette.
TEST_F(ThemeTest, EveryRoleOfBothThemesIsOurs)
{
    for (ThemeMode mode : {ThemeMode::light, ThemeMode::dark}) {
        const QPalette ours = Appearance::palette(mode);
        Appearance::apply(mode);
        const QPalette applied = QApplication::palette();
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            for (int role = 0; role < QPalette::NColorRoles; ++role) {
                const auto colorRole = static_cast<QPalette::ColorRole>(role);
                if (colorRole == QPalette::NoRole) {
                    continue;
                }
                SCOPED_TRACE(::testing::Message() << rawValue(mode).toStdString() << " group "
                                                  << group << " role " << role);
                EXPECT_TRUE(ours.isBrushSet(group, colorRole));
                EXPECT_EQ(applied.color(group, colorRole), ours.color(group, colorRole));
            }
        }
    }
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
        QTabBar tabs(&screen);
        tabs.addTab(QStringLiteral("Register number"));
        tabs.addTab(QStringLiteral("QR"));
        tabs.setDrawBase(false);
        for (QWidget* control : std::initializer_list<QWidget*>{&unchecked, &checked, &tabs}) {
            style::showSelectionControls(control);
        }
        // Controls the style outlines; each outline is told from what is around it.
        QLineEdit field(&screen);
        QComboBox combo(&screen);
        combo.addItem(QStringLiteral("Dark"));
        QSpinBox spin(&screen);
        QPushButton plain(QStringLiteral("OK"), &screen);
        orvela::dashboard::views::SidebarList pages(&screen);
        for (int key : {0, 1, 2}) {
            pages.addEntry(QStringLiteral("clock"), key);
            pages.setEntryText(key, QStringLiteral("Log history"));
        }
        pages.showChosen(1);
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
        // Qt hands a new application palette to the widgets only once its event loop has run;
        // the program's has, a test's has not.
        for (QWidget* widget : QApplication::allWidgets()) {
            QEvent change(QEvent::ApplicationPaletteChange);
            QApplication::sendEvent(widget, &change);
        }

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
            // Every role the screens and the style draw text in, over what it is drawn on.
            const QColor base = p.color(QPalette::Base);
            const std::tuple<const char*, QPalette::ColorRole, QColor> texts[] = {
                {"window text", QPalette::WindowText, behind},
                {"secondary text", QPalette::PlaceholderText, behind},
                {"link", QPalette::Link, behind},
                {"visited link", QPalette::LinkVisited, behind},
                {"outlined button text", QPalette::ButtonText, behind},
                {"field text", QPalette::Text, base},
                {"row text", QPalette::Text, p.color(QPalette::AlternateBase)},
                {"placeholder", QPalette::PlaceholderText, base},
                {"button text", QPalette::ButtonText, p.color(QPalette::Button)},
                {"selection", QPalette::HighlightedText, p.color(QPalette::Highlight)},
                {"tooltip", QPalette::ToolTipText, p.color(QPalette::ToolTipBase)},
            };
            for (const auto& [what, role, on] : texts) {
                expect(what, contrast(p.color(role), on), 4.5);
            }
            // Outlines, focus rings, chosen rows and tabs tell a control from its surroundings.
            for (const QColor& around : {behind, base, p.color(QPalette::Button)}) {
                expect("control outline on " + around.name(),
                       contrast(p.color(QPalette::Dark), around), 3.0);
                expect("highlight on " + around.name(),
                       contrast(p.color(QPalette::Highlight), around), 3.0);
            }
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
            const QImage bar = drawnOver(tabs, behind);
            const QRect chosen = tabs.tabRect(tabs.currentIndex());
            expect("chosen tab",
                   contrast(bar.pixelColor(chosen.center().x(), chosen.bottom() - 1), behind), 3.0);
            // The left edge of each outlined control, halfway down.
            const auto edge = [&](QWidget& widget) {
                const QImage image = drawnOver(widget, behind);
                return peakContrast(image, QRect(0, image.height() / 2 - 2, 2, 4), behind);
            };
            expect("field outline", edge(field), 3.0);
            expect("combo box outline", edge(combo), 3.0);
            expect("spin box outline", edge(spin), 3.0);
            expect("button outline", edge(plain), 3.0);
            expect("secondary button outline", edge(*buttons[1]), 3.0);
            expect("destructive button outline", edge(*buttons[2]), 3.0);
            // Links and list rows show the keys by the style's focus ring.
            QImage ring(40, 20, QImage::Format_RGB32);
            ring.fill(behind);
            {
                QPainter painter(&ring);
                QStyleOptionFocusRect option;
                option.rect = ring.rect();
                option.palette = p;
                option.state = QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange;
                QApplication::style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter);
            }
            expect("focus ring", peakContrast(ring, ring.rect(), behind), 3.0);
            // The sidebar: the open page's row, and the keyboard cursor on another row.
            pages.setFocus();
            pages.setCurrentRow(0, QItemSelectionModel::NoUpdate);
            pages.resize(200, pages.sizeHint().height());
            QImage list(pages.size(), QImage::Format_RGB32);
            list.fill(behind);
            pages.render(&list, QPoint(), QRegion(), QWidget::DrawChildren);
            const QRect open = pages.visualItemRect(pages.item(1));
            const QRect cursor = pages.visualItemRect(pages.item(0));
            expect("open page row",
                   contrast(list.pixelColor(open.left() + 8, open.center().y()), behind), 3.0);
            expect("sidebar focus ring",
                   peakContrast(list, QRect(cursor.left(), cursor.center().y(), 3, 1), behind),
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
