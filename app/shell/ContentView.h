#pragma once

#include "state/StateEnums.h"

#include <QPointer>
#include <QPropertyAnimation>
#include <QWidget>
#include <functional>

class QLabel;

class QStackedLayout;

namespace orvela::state {
class AppState;
}

namespace orvela::shell {

/// The top-level view: the sign-in screen while the application state shows `login`, the
/// dashboard while it shows `dashboard`. Each change cross-fades over 0.3 s (ease in and out).
/// A screen is built afresh each time it comes back, so the sign-in screen always starts from
/// its form.
class ContentView : public QWidget {
    Q_OBJECT

public:
    using Factory = std::function<QWidget*()>;

    static constexpr int transitionMs = 300;

    /// `appState` must outlive the view; the factories build the two screens on demand.
    ContentView(state::AppState& appState, Factory makeLogin, Factory makeDashboard,
                QWidget* parent = nullptr);

    /// The screen shown now.
    QWidget* currentScreen() const { return m_current; }
    state::AppScreen shownScreen() const { return m_shown; }
    /// The running cross-fade, null when none runs.
    QPropertyAnimation* transition() const { return m_fade; }

signals:
    void screenShown(orvela::state::AppScreen screen);

private:
    void show(state::AppScreen screen, bool animate);
    void finishFade();

    state::AppState& m_appState;
    Factory m_makeLogin;
    Factory m_makeDashboard;
    QStackedLayout* m_stack;
    QPointer<QWidget> m_current;
    state::AppScreen m_shown;
    QPointer<QLabel> m_overlay;
    QPointer<QPropertyAnimation> m_fade;
};

} // namespace orvela::shell
