#include "components/Accessibility.h"

#include <QAbstractButton>
#include <QAccessibleWidget>
#include <QEvent>
#include <QHelpEvent>
#include <QLabel>
#include <QTextDocumentFragment>
#include <QToolTip>

namespace orvela::components {

namespace {

const char* const headingProperty = "orvelaHeading";

/// A title label as a screen reader should see it: a heading that reads its text.
class HeadingInterface : public QAccessibleWidget {
public:
    explicit HeadingInterface(QLabel* label) : QAccessibleWidget(label, QAccessible::Heading) {}

    QString text(QAccessible::Text kind) const override
    {
        if (kind != QAccessible::Name) {
            return QAccessibleWidget::text(kind);
        }
        const auto* label = static_cast<const QLabel*>(widget());
        if (!label->accessibleName().isEmpty()) {
            return label->accessibleName();
        }
        return label->textFormat() == Qt::PlainText
                   ? label->text()
                   : QTextDocumentFragment::fromHtml(label->text()).toPlainText();
    }
};

QAccessibleInterface* headingFactory(const QString& className, QObject* object)
{
    if (className == QLatin1String("QLabel") && object->property(headingProperty).toBool()) {
        return new HeadingInterface(static_cast<QLabel*>(object));
    }
    return nullptr;
}

/// Answers tooltip requests with the widget's name; owned by the widget.
class NameTooltip : public QObject {
public:
    explicit NameTooltip(QWidget* widget) : QObject(widget) { widget->installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::ToolTip) {
            return QObject::eventFilter(watched, event);
        }
        auto* widget = static_cast<QWidget*>(watched);
        QString name = widget->accessibleName();
        if (auto* button = qobject_cast<QAbstractButton*>(widget); button && name.isEmpty()) {
            name = button->text();
        }
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), name, widget);
        return true;
    }
};

} // namespace

void markAsHeading(QLabel* label)
{
    // Qt asks the factory installed last first, so this one comes before Qt's own for labels.
    static const bool installed = [] {
        QAccessible::installFactory(headingFactory);
        return true;
    }();
    Q_UNUSED(installed);
    label->setProperty(headingProperty, true);
    // A label made with its text was already described to the accessibility layer as plain
    // text; that description is dropped, so the next one asked for is the heading.
    if (QAccessible::isActive()) {
        QAccessibleInterface* described = QAccessible::queryAccessibleInterface(label);
        if (described && described->role() != QAccessible::Heading) {
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(described));
        }
    }
}

void showAsKeyboardLink(QLabel* link)
{
    link->setTextInteractionFlags(Qt::LinksAccessibleByKeyboard | Qt::LinksAccessibleByMouse);
    // The transparent border keeps the label's size when the ring appears.
    link->setStyleSheet(QStringLiteral("QLabel { border: 2px solid transparent; border-radius: 3px;"
                                       " padding: 0px 2px; }"
                                       "QLabel:focus { border-color: palette(highlight); }"));
}

void showNameWhenPointedAt(QWidget* widget)
{
    new NameTooltip(widget);
}

} // namespace orvela::components
