#include "ScreenFixture.h"

#include "InterfaceLanguage.h"
#include "Screenshot.h"
#include "components/ActionButton.h"
#include "dashboard/views/DashboardView.h"
#include "session/AppState.h"
#include "shell/views/Appearance.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDebug>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTest>
#include <algorithm>
#include <cmath>

namespace orvela::desktoptest {

using common::AppLanguage;
using shell::ThemeMode;

namespace {

// What may show in the other script besides the technical names: the person's data and the
// names the walk's own data carries.
const QStringList& keptTexts()
{
    static const QStringList kept{QSysInfo::prettyProductName(), "Батын Болд", "УБ99112233",
                                  "AA00000000", "Demo Token", "Orvela Systems LLC",
                                  "ecdsa-with-SHA256", "support@nuvia.example", "mailto", "href",
                                  "GMT", "Downloads", "contract.pdf",
                                  // The demo's two tokens and its reader, which the token
                                  // sections name.
                                  "Orvela Demo Token", "Orvela Demo", "Orvela Virtual Reader 0"};
    return kept;
}

double luminance(const QColor& c)
{
    const auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// What is wrong with one visible widget, if anything.
QString faultOf(QWidget* widget, AppLanguage language)
{
    auto* label = qobject_cast<QLabel*>(widget);
    auto* button = qobject_cast<QAbstractButton*>(widget);
    const QString text = label ? label->text() : button ? button->text() : QString();
    const QString shown = orvela::testing::shownText(*widget);
    if (!shown.isEmpty() && orvela::testing::isForeign(shown, language, keptTexts())) {
        return QStringLiteral("foreign: ") + shown;
    }
    if (button || qobject_cast<QLineEdit*>(widget) || qobject_cast<QComboBox*>(widget) ||
        qobject_cast<QPlainTextEdit*>(widget)) {
        QAccessibleInterface* node = QAccessible::queryAccessibleInterface(widget);
        if (node->text(QAccessible::Name).trimmed().isEmpty()) {
            return QStringLiteral("unnamed");
        }
        if (text.isEmpty() && button && node->text(QAccessible::Description).isEmpty()) {
            return QStringLiteral("icon without a description");
        }
    }
    // Outlined buttons draw their text straight on the page: after a theme switch it must still
    // stand out (3:1, as for control boundaries), not keep the old theme's colour.
    auto* action = qobject_cast<components::ActionButton*>(widget);
    if (action && action->isEnabled() &&
        action->role() != components::ActionButton::Role::primary &&
        contrast(action->palette().color(QPalette::ButtonText),
                 QApplication::palette().color(QPalette::Window)) < 3.0) {
        return QStringLiteral("unreadable: ") + text;
    }
    if (label && !label->wordWrap() && label->width() + 1 < label->minimumSizeHint().width()) {
        return QStringLiteral("cut: ") + text;
    }
    if (label && label->wordWrap() && label->height() + 1 < label->heightForWidth(label->width())) {
        return QStringLiteral("lines cut off: ") + text;
    }
    // A wrapped label still cuts off a word longer than its width.
    if (label && label->wordWrap() && label->textFormat() == Qt::PlainText) {
        for (const QString& word : text.split(QRegularExpression(QStringLiteral("\\s+")))) {
            if (label->fontMetrics().horizontalAdvance(word) > label->contentsRect().width() + 1) {
                return QStringLiteral("cut word: ") + word;
            }
        }
    }
    // Past its parent, which clips it; a scroll area's content may be taller than its viewport,
    // never wider: nobody reads a page by scrolling sideways.
    QWidget* parent = widget->parentWidget();
    auto* area = qobject_cast<QAbstractScrollArea*>(parent->parentWidget());
    const bool scrolled = area != nullptr && area->viewport() == parent;
    if (scrolled && widget->geometry().right() > parent->width()) {
        return QStringLiteral("wider than its viewport: %1 in %2")
            .arg(widget->width())
            .arg(parent->width());
    }
    if (!scrolled && !parent->rect().adjusted(-1, -1, 1, 1).contains(widget->geometry())) {
        QString where;
        QDebug(&where).nospace() << "past its parent: " << widget->geometry() << " in "
                                 << parent->size();
        return where;
    }
    return {};
}

QStringList faultsOf(QWidget& root, AppLanguage language)
{
    QStringList faults;
    for (auto* widget : root.findChildren<QWidget*>()) {
        if (widget->isVisibleTo(&root) && !widget->isWindow()) {
            const QString fault = faultOf(widget, language);
            if (!fault.isEmpty()) {
                faults << QString::fromLatin1(widget->metaObject()->className()) + '#' +
                              widget->objectName() + ": " + fault;
            }
        }
    }
    return faults;
}

} // namespace

void ScreenTest::TearDown()
{
    m_demo.reset();
    shell::views::Appearance::apply(ThemeMode::system);
    DesktopFixture::TearDown();
}

void ScreenTest::launchWithDemoToken()
{
    m_demo = std::make_unique<desktop::DemoMode>(dir.filePath(QStringLiteral("demo")),
                                                 QStringLiteral(ORVELA_DEMO_PLUGIN_PATH));
    const auto failure = m_demo->prepare();
    ASSERT_FALSE(failure) << failure->key.toStdString();
    readerBackend = m_demo->takeProfile().readerBackend;
    sim->setApproveAfterMs(600'000);
    launch();
}

void ScreenTest::submitApproved(const QString& nationalId)
{
    backendsim::SimOutcome approved;
    approved.approveAfterMs = 300;
    sim->scriptNextOutcome(approved);
    auto* field = find<QLineEdit>("nationalIdField");
    field->clear();
    QTest::keyClicks(field, nationalId);
    QTest::mouseClick(find<QPushButton>("signInButton"), Qt::LeftButton);
}

bool ScreenTest::waitForDashboard()
{
    return waitUntil(
        [&] { return qobject_cast<dashboard::views::DashboardView*>(screen()) != nullptr; });
}

bool ScreenTest::signInByHand()
{
    submitApproved(QStringLiteral("  ub99112233 "));
    if (!waitForDashboard()) {
        return false;
    }
    find<QWidget>("pageList")->setFocus(Qt::TabFocusReason);
    return true;
}

void ScreenTest::openTab(session::DashboardTab tab)
{
    desktop().appState().setSelectedTab(tab);
    EXPECT_TRUE(waitUntil([&] { return desktop().content().transition() == nullptr; }));
}

QWidget* ScreenTest::shownWindow(const char* name)
{
    QWidget* shown = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        shown = top->objectName() == QLatin1String(name) && top->isVisible() ? top : shown;
    }
    return shown;
}

void ScreenTest::check(const QString& name, QWidget& root)
{
    for (ThemeMode theme : {ThemeMode::light, ThemeMode::dark}) {
        shell::views::Appearance::apply(theme);
        // Qt hands a new application palette to the widgets once its event loop has run;
        // the program's has, a test's has not.
        for (QWidget* widget : QApplication::allWidgets()) {
            QEvent change(QEvent::ApplicationPaletteChange);
            QApplication::sendEvent(widget, &change);
        }
        for (const QSize size : {QSize(860, 620), QSize(560, 520)}) {
            window().resize(size);
            for (AppLanguage language : {AppLanguage::mn, AppLanguage::en}) {
                desktop().localization().setLanguage(language);
                const bool dark = theme == ThemeMode::dark;
                const bool small = size.width() == 560;
                const QString picture = "screen-" + name + (dark ? "-dark" : "") +
                                        (small ? "-min" : "") + "-" + common::rawValue(language);
                if (language == AppLanguage::en ? !(dark && small) : !(dark || small)) {
                    const QString path = orvela::testing::saveScreenshot(root, picture);
                    EXPECT_FALSE(path.isEmpty());
                    saved.insert(picture, path);
                } else {
                    for (int round = 0; round < 3; ++round) {
                        QCoreApplication::processEvents();
                    }
                    root.grab(); // lays the screen out as a picture would
                }
                const QStringList faults = faultsOf(root, language);
                EXPECT_TRUE(faults.isEmpty())
                    << picture.toStdString() << ":\n  " << faults.join("\n  ").toStdString();
            }
        }
    }
}

} // namespace orvela::desktoptest
