#include "components/Focus.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QWidget>

namespace orvela::components {

namespace {

class ReturnPressesButtons : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress) {
            return false;
        }
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        auto* button = qobject_cast<QAbstractButton*>(watched);
        const bool pressable =
            qobject_cast<QPushButton*>(watched) || qobject_cast<QToolButton*>(watched);
        if (!enter || !plain || !pressable || !button->hasFocus() || !button->isEnabled()) {
            return false;
        }
        if (!key->isAutoRepeat()) {
            button->click();
        }
        return true;
    }
};

} // namespace

void pressFocusedButtonsOnReturn(QObject* owner)
{
    // Deleted with its owner, which takes it off the application's filters.
    QCoreApplication::instance()->installEventFilter(new ReturnPressesButtons(owner));
}

bool focusFirstControl(QWidget* area)
{
    if (!area) {
        return false;
    }
    // A scroll area takes the keys to scroll its page; the controls on the page come first.
    QWidget* scroller = nullptr;
    for (QWidget* next = area->nextInFocusChain(); next && next != area;
         next = next->nextInFocusChain()) {
        if (!area->isAncestorOf(next) || !next->isVisibleTo(area->window()) || !next->isEnabled() ||
            !(next->focusPolicy() & Qt::TabFocus)) {
            continue;
        }
        if (qobject_cast<QScrollArea*>(next)) {
            scroller = scroller ? scroller : next;
            continue;
        }
        next->setFocus(Qt::TabFocusReason);
        return true;
    }
    if (scroller) {
        scroller->setFocus(Qt::TabFocusReason);
    }
    return scroller != nullptr;
}

} // namespace orvela::components
