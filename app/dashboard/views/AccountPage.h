#pragma once

#include "common/AppLanguage.h"
#include "session/StateEnums.h"

#include <QScrollArea>

class QVBoxLayout;

namespace orvela::common {
class LocalizationService;
}
namespace orvela::session {
class AppState;
}

namespace orvela::dashboard::views {

/// Base of the account pages: a scroll view whose content is built afresh whenever the
/// application state publishes new dashboard data or the language changes, so no page keeps a
/// stale copy of either.
class AccountPage : public QScrollArea {
    Q_OBJECT

public:
    AccountPage(session::AppState& appState, common::LocalizationService& localization,
                QWidget* parent = nullptr);

    /// Builds the content again from the current state and language.
    void rebuild();

protected:
    /// Fills the new, empty content; the header comes first.
    virtual void build(QVBoxLayout& layout) = 0;

    /// Adds the page header: the tab's title by its key and a subtitle.
    void addHeader(QVBoxLayout& layout, session::DashboardTab tab, const QString& subtitle);

    QString text(const QString& key) const;
    common::AppLanguage language() const;
    session::AppState& appState() const { return m_appState; }
    common::LocalizationService& localization() const { return m_localization; }

private:
    session::AppState& m_appState;
    common::LocalizationService& m_localization;
};

} // namespace orvela::dashboard::views
