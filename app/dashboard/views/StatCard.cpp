#include "dashboard/views/StatCard.h"

#include "components/Style.h"

#include <QLabel>
#include <QVBoxLayout>

namespace orvela::dashboard::views {

namespace style = components::style;

StatCard::StatCard(const QString& caption, const QString& value, QWidget* parent)
    : components::Card(parent), m_caption(new QLabel(caption, this)),
      m_value(new QLabel(value, this))
{
    setObjectName(QStringLiteral("statCard"));
    m_caption->setFont(style::captionFont());
    m_caption->setWordWrap(true);
    style::showAsSecondaryText(m_caption);
    m_value->setObjectName(QStringLiteral("statValue"));
    // Values come from the backend (the certificate level among them): never markup.
    m_value->setTextFormat(Qt::PlainText);
    m_value->setFont(style::headlineFont());
    contentLayout()->addWidget(m_caption);
    contentLayout()->addWidget(m_value);
}

QString StatCard::caption() const
{
    return m_caption->text();
}

QString StatCard::value() const
{
    return m_value->text();
}

} // namespace orvela::dashboard::views
