#include "shell/ContentView.h"

#include "state/AppState.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPropertyAnimation>
#include <QStackedLayout>

namespace orvela::shell {

ContentView::ContentView(state::AppState& appState, Factory makeLogin, Factory makeDashboard,
                         QWidget* parent)
    : QWidget(parent), m_appState(appState), m_makeLogin(std::move(makeLogin)),
      m_makeDashboard(std::move(makeDashboard)), m_stack(new QStackedLayout(this)),
      m_shown(appState.screen())
{
    m_stack->setContentsMargins(0, 0, 0, 0);
    show(m_shown, false);
    connect(&m_appState, &state::AppState::screenChanged, this,
            [this](state::AppScreen screen) { show(screen, true); });
}

void ContentView::show(state::AppScreen screen, bool animate)
{
    if (m_current && screen == m_shown) {
        return;
    }
    finishFade();
    QWidget* previous = m_current;
    // The old screen fades out as a picture over the new one, so it stops working at once.
    if (animate && previous && isVisible()) {
        m_overlay = new QLabel(this);
        m_overlay->setPixmap(previous->grab());
        m_overlay->setGeometry(previous->geometry());
        auto* effect = new QGraphicsOpacityEffect(m_overlay);
        m_overlay->setGraphicsEffect(effect);
        m_fade = new QPropertyAnimation(effect, "opacity", this);
        m_fade->setDuration(transitionMs);
        m_fade->setEasingCurve(QEasingCurve::InOutQuad);
        m_fade->setStartValue(1.0);
        m_fade->setEndValue(0.0);
        connect(m_fade, &QPropertyAnimation::finished, this, &ContentView::finishFade);
    }
    m_shown = screen;
    m_current = screen == state::AppScreen::login ? m_makeLogin() : m_makeDashboard();
    m_stack->addWidget(m_current);
    m_stack->setCurrentWidget(m_current);
    if (previous) {
        m_stack->removeWidget(previous);
        previous->deleteLater();
    }
    if (m_overlay) {
        m_overlay->show();
        m_overlay->raise();
        m_fade->start(QAbstractAnimation::DeleteWhenStopped);
    }
    emit screenShown(screen);
}

void ContentView::finishFade()
{
    if (m_fade) {
        m_fade->stop();
    }
    if (m_overlay) {
        m_overlay->deleteLater();
        m_overlay = nullptr;
    }
}

} // namespace orvela::shell
