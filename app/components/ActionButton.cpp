#include "components/ActionButton.h"

#include "components/IconLibrary.h"
#include "components/Style.h"

#include <QEvent>
#include <QLineEdit>

namespace orvela::components {

namespace {

QString primarySheet()
{
    return QStringLiteral(
               "QPushButton { color: white; background: %1; border: none; border-radius: %3px;"
               " padding: 7px 16px; font-weight: 600; }"
               "QPushButton:hover { background: %2; }"
               "QPushButton:pressed { background: %4; }"
               // The ring takes the window's text colour, so it stands out on either theme.
               "QPushButton:focus { border: 2px solid palette(window-text); padding: 5px 14px; }"
               "QPushButton:disabled { background: rgba(26, 58, 143, 90); color: rgba(255, 255, "
               "255, 170); }")
        .arg(style::cssColor(style::brandBlue), style::cssColor(style::brandBlue.lighter(115)))
        .arg(style::radiusM)
        .arg(style::cssColor(style::brandDeepBlue));
}

QString secondarySheet()
{
    // The outline is the palette's control outline: the steel blue it had read at 2.3:1.
    return QStringLiteral("QPushButton { color: palette(button-text); background: transparent;"
                          " border: 1px solid palette(dark); border-radius: %1px;"
                          " padding: 6px 15px; }"
                          "QPushButton:hover { background: %2; }"
                          "QPushButton:focus { border: 2px solid palette(window-text);"
                          " padding: 5px 14px; }"
                          "QPushButton:disabled { color: palette(mid); }")
        .arg(style::radiusM)
        .arg(style::cssColor(style::toneColors(Tone::info).background));
}

QString destructiveSheet()
{
    const ToneColors danger = style::toneColors(Tone::danger);
    return QStringLiteral(
               "QPushButton { color: %1; background: transparent; border: 1px solid %1;"
               " border-radius: %2px; padding: 6px 15px; }"
               "QPushButton:hover { background: %3; }"
               "QPushButton:focus { border: 2px solid palette(window-text); padding: 5px 14px; }"
               "QPushButton:disabled { color: palette(mid); border-color: palette(mid); }")
        .arg(style::cssColor(danger.foreground))
        .arg(style::radiusM)
        .arg(style::cssColor(danger.background));
}

} // namespace

ActionButton::ActionButton(const QString& text, Role role, QWidget* parent)
    : QPushButton(text, parent), m_role(role)
{
    setCursor(Qt::PointingHandCursor);
    setRole(role);
}

void ActionButton::setRole(Role role)
{
    m_role = role;
    applySheet();
    // Enter triggers the primary action of a dialog, never a secondary one.
    setDefault(role == Role::primary);
}

void ActionButton::applySheet()
{
    const QString sheet = m_role == Role::primary     ? primarySheet()
                          : m_role == Role::secondary ? secondarySheet()
                                                      : destructiveSheet();
    // Setting the same sheet again would only polish again and come back here.
    if (sheet != styleSheet()) {
        setStyleSheet(sheet);
    }
}

void ActionButton::changeEvent(QEvent* event)
{
    QPushButton::changeEvent(event);
    // The tone colours depend on the theme: a switch after the button was built recolours it.
    if (event->type() == QEvent::PaletteChange ||
        event->type() == QEvent::ApplicationPaletteChange) {
        applySheet();
    }
}

void ActionButton::submitOnEnter(std::initializer_list<QLineEdit*> fields)
{
    for (QLineEdit* field : fields) {
        // click() does nothing while the button is disabled, so an incomplete form stays put.
        connect(field, &QLineEdit::returnPressed, this, &QAbstractButton::click);
    }
}

void ActionButton::setSymbol(const QString& symbol)
{
    if (m_role == Role::primary) {
        setIcon(QIcon(IconLibrary::tinted(symbol, Qt::white, 32)));
    } else {
        setIcon(IconLibrary::icon(symbol));
    }
}

} // namespace orvela::components
