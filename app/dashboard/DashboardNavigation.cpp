#include "dashboard/DashboardNavigation.h"

#include "session/AppState.h"
#include "session/DashboardTab.h"

namespace orvela::dashboard {

using session::DashboardTab;

DashboardNavigation::DashboardNavigation(session::AppState& appState, QObject* parent)
    : QObject(parent), m_appState(appState)
{}

QString DashboardNavigation::titleKey(DashboardTab tab)
{
    switch (tab) {
    case DashboardTab::dashboard:
        return QStringLiteral("Nav_Dashboard");
    case DashboardTab::id:
        return QStringLiteral("Nav_MyId");
    case DashboardTab::logs:
        return QStringLiteral("Nav_Logs");
    case DashboardTab::devices:
        return QStringLiteral("Nav_Devices");
    case DashboardTab::security:
        return QStringLiteral("Nav_Security");
    case DashboardTab::children:
        return QStringLiteral("Nav_Children");
    case DashboardTab::sign:
        return QStringLiteral("Nav_Sign");
    case DashboardTab::tokens:
        return QStringLiteral("Nav_Tokens");
    case DashboardTab::support:
        return QStringLiteral("Nav_Support");
    case DashboardTab::privacy:
        return QStringLiteral("Nav_Privacy");
    case DashboardTab::lock:
        return QStringLiteral("Nav_Lock");
    case DashboardTab::home:
        return QStringLiteral("Nav_Home");
    case DashboardTab::verify:
        return QStringLiteral("Nav_Verify");
    }
    return {};
}

QString DashboardNavigation::iconSymbol(DashboardTab tab)
{
    switch (tab) {
    case DashboardTab::dashboard:
        return QStringLiteral("shield.checkered");
    case DashboardTab::id:
        return QStringLiteral("doc.text");
    case DashboardTab::logs:
        return QStringLiteral("clock");
    case DashboardTab::devices:
        return QStringLiteral("iphone");
    case DashboardTab::security:
        return QStringLiteral("lock.shield");
    case DashboardTab::children:
        return QStringLiteral("sparkles");
    case DashboardTab::sign:
        return QStringLiteral("signature");
    case DashboardTab::tokens:
        return QStringLiteral("key.fill");
    case DashboardTab::support:
        return QStringLiteral("questionmark.circle");
    case DashboardTab::privacy:
        return QStringLiteral("checkmark.shield.fill");
    case DashboardTab::lock:
        return QStringLiteral("lock.fill");
    case DashboardTab::home:
        return QStringLiteral("info.circle");
    case DashboardTab::verify:
        return QStringLiteral("doc.text.magnifyingglass");
    }
    return {};
}

void DashboardNavigation::setHasPage(DashboardTab tab)
{
    if (m_withPage.contains(tab)) {
        return;
    }
    m_withPage.insert(tab);
    emit pagesChanged();
}

bool DashboardNavigation::select(DashboardTab tab)
{
    if (!hasPage(tab)) {
        return false;
    }
    m_appState.setSelectedTab(tab);
    return true;
}

DashboardTab DashboardNavigation::selected() const
{
    return m_appState.selectedTab();
}

void DashboardNavigation::setCollapsed(bool collapsed)
{
    if (m_collapsed == collapsed) {
        return;
    }
    m_collapsed = collapsed;
    emit collapsedChanged(collapsed);
}

} // namespace orvela::dashboard
