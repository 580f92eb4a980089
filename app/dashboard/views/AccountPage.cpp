#include "dashboard/views/AccountPage.h"

#include "common/LocalizationService.h"
#include "components/Style.h"
#include "dashboard/DashboardNavigation.h"
#include "dashboard/views/PageHeader.h"
#include "session/AppState.h"

#include <QVBoxLayout>

namespace orvela::dashboard::views {

namespace style = components::style;

AccountPage::AccountPage(session::AppState& appState, common::LocalizationService& localization,
                         QWidget* parent)
    : QScrollArea(parent), m_appState(appState), m_localization(localization)
{
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    connect(&m_appState, &session::AppState::dashboardDataChanged, this, &AccountPage::rebuild);
    connect(&m_localization, &common::LocalizationService::languageChanged, this,
            &AccountPage::rebuild);
}

void AccountPage::rebuild()
{
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("pageContent"));
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(style::spacingXl, style::spacingXl, style::spacingXl,
                               style::spacingXl);
    layout->setSpacing(style::spacingL);
    build(*layout);
    layout->addStretch(1);
    // The old content may be the sender of the signal that got us here (a button on it), so
    // it goes at the next turn of the event loop rather than now.
    if (QWidget* old = takeWidget()) {
        old->hide();
        old->deleteLater();
    }
    setWidget(content);
}

void AccountPage::addHeader(QVBoxLayout& layout, session::DashboardTab tab, const QString& subtitle)
{
    layout.addWidget(new PageHeader(text(DashboardNavigation::titleKey(tab)), subtitle));
}

QString AccountPage::text(const QString& key) const
{
    return m_localization.localized(key);
}

common::AppLanguage AccountPage::language() const
{
    return m_localization.language();
}

} // namespace orvela::dashboard::views
