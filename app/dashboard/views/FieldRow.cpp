#include "dashboard/views/FieldRow.h"

#include "components/Style.h"

#include <QHBoxLayout>
#include <QLabel>

namespace orvela::dashboard::views {

namespace style = components::style;

FieldRow::FieldRow(const QString& label, const QString& value, QWidget* parent)
    : QWidget(parent), m_label(new QLabel(label, this)), m_value(new QLabel(value, this))
{
    setObjectName(QStringLiteral("fieldRow"));
    style::showAsSecondaryText(m_label);
    m_value->setObjectName(QStringLiteral("fieldValue"));
    // Values come from the backend and the stored identity: shown as they are, never as markup.
    m_value->setTextFormat(Qt::PlainText);
    m_value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_value->setWordWrap(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, style::spacingXs, 0, style::spacingXs);
    layout->addWidget(m_label);
    layout->addStretch(1);
    layout->addWidget(m_value, 2);
}

QString FieldRow::label() const
{
    return m_label->text();
}

QString FieldRow::value() const
{
    return m_value->text();
}

} // namespace orvela::dashboard::views
