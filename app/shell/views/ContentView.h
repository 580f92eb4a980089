#pragma once

#include "session/StateEnums.h"

#include <QPointer>
#include <QPropertyAnimation>
#include <QTimer>
#include <QWidget>
#include <functional>

class QLabel;

class QStackedLayout;

namespace orvela::session {
class AppState;
}

namespace orvela::shell::views {

/// The top-level view: the sign-in screen while the application state shows `login`, the
/// dashboard while it shows `dashboard`. Each change cross-fades over 0.3 s (ease in and out).
/// A screen is built afresh each time it comes back, so the sign-in screen always starts from
/// its form; it is built when the view is first shown, and on a change one turn of the event
/// loop after the old screen was put away.
class ContentView : public QWidget {
    Q_OBJECT

public:
    using Factory = std::function<QWidget*()>;

    static constexpr int transitionMs = 300;

    /// `appState` must outlive the view; the factories build the two screens on demand.
    ContentView(session::AppState& appState, Factory makeLogin, Factory makeDashboard,
                QWidget* parent = nullptr);

    /// The screen shown now; null before the view is first shown and while a change is
    /// building the next one.
    QWidget* currentScreen() const { return m_current; }
    /// The screen shown now or being built.
    session::AppScreen shownScreen() const { return m_shown; }
    /// The cross-fade of the last change, from the change until it has run; null otherwise.
    QPropertyAnimation* transition() const { return m_fade; }

signals:
    void screenShown(orvela::session::AppScreen screen);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void switchTo(session::AppScreen screen);
    void build();
    void retire();
    void startFade(const QPixmap& picture);
    void finishFade();

    session::AppState& m_appState;
    Factory m_makeLogin;
    Factory m_makeDashboard;
    QStackedLayout* m_stack;
    QPointer<QWidget> m_current;
    session::AppScreen m_shown;
    QPointer<QLabel> m_overlay;
    QPointer<QPropertyAnimation> m_fade;
    QTimer m_buildTimer;
};

} // namespace orvela::shell::views
