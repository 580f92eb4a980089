#include "dashboard/views/PageHeader.h"

#include "components/Accessibility.h"
#include "components/Style.h"

#include <QLabel>
#include <QVBoxLayout>

namespace orvela::dashboard::views {

namespace style = components::style;

PageHeader::PageHeader(const QString& title, const QString& subtitle, QWidget* parent)
    : QWidget(parent), m_title(new QLabel(title, this)), m_subtitle(new QLabel(subtitle, this))
{
    setObjectName(QStringLiteral("pageHeader"));
    m_title->setObjectName(QStringLiteral("pageTitle"));
    m_title->setFont(style::titleFont());
    components::markAsHeading(m_title);
    m_subtitle->setObjectName(QStringLiteral("pageSubtitle"));
    m_subtitle->setWordWrap(true);
    style::showAsSecondaryText(m_subtitle);
    m_subtitle->setVisible(!subtitle.isEmpty());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, style::spacingS);
    layout->setSpacing(style::spacingXs);
    layout->addWidget(m_title);
    layout->addWidget(m_subtitle);
}

QString PageHeader::title() const
{
    return m_title->text();
}

QString PageHeader::subtitle() const
{
    return m_subtitle->text();
}

} // namespace orvela::dashboard::views
