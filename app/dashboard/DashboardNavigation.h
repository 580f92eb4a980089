#pragma once

#include "session/StateEnums.h"

#include <QObject>
#include <QSet>
#include <QString>

namespace orvela::session {
class AppState;
}

namespace orvela::dashboard {

/// The sidebar's logic: which entries lead to a page, which page is selected (kept in the
/// application state, so it survives a sign-out), and whether the sidebar is collapsed.
class DashboardNavigation : public QObject {
    Q_OBJECT

public:
    /// No tab has a page until `setHasPage` says so.
    explicit DashboardNavigation(session::AppState& appState, QObject* parent = nullptr);

    /// Localisation key of the tab's sidebar title and page title.
    static QString titleKey(session::DashboardTab tab);
    /// Symbol of the tab's sidebar icon.
    static QString iconSymbol(session::DashboardTab tab);

    bool hasPage(session::DashboardTab tab) const { return m_withPage.contains(tab); }
    void setHasPage(session::DashboardTab tab);

    /// Writes the selection; refused (false, nothing written) for a tab whose page is coming.
    bool select(session::DashboardTab tab);
    session::DashboardTab selected() const;

    bool isCollapsed() const { return m_collapsed; }
    void setCollapsed(bool collapsed);
    void toggleCollapsed() { setCollapsed(!m_collapsed); }

signals:
    void collapsedChanged(bool collapsed);
    void pagesChanged();

private:
    session::AppState& m_appState;
    QSet<session::DashboardTab> m_withPage;
    bool m_collapsed = false;
};

} // namespace orvela::dashboard
