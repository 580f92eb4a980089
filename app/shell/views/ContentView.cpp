#include "shell/views/ContentView.h"

#include "session/AppState.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPropertyAnimation>
#include <QStackedLayout>
#include <QTimer>

namespace orvela::shell::views {

ContentView::ContentView(session::AppState& appState, Factory makeLogin, Factory makeDashboard,
                         QWidget* parent)
    : QWidget(parent), m_appState(appState), m_makeLogin(std::move(makeLogin)),
      m_makeDashboard(std::move(makeDashboard)), m_stack(new QStackedLayout(this)),
      m_shown(appState.screen())
{
    m_stack->setContentsMargins(0, 0, 0, 0);
    // A timer rather than a queued call: queued calls and the repaints they cause run in one
    // batch, while a timer lets the frames already due be drawn first.
    m_buildTimer.setSingleShot(true);
    m_buildTimer.setInterval(0);
    connect(&m_buildTimer, &QTimer::timeout, this, [this] {
        if (!m_current && isVisible()) {
            build();
        }
    });
    connect(&m_appState, &session::AppState::screenChanged, this, &ContentView::switchTo);
}

void ContentView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // The first screen is built here, at the size it is shown at, so it is laid out once.
    if (!m_current && !m_buildTimer.isActive()) {
        build();
    }
}

void ContentView::switchTo(session::AppScreen screen)
{
    if (screen == m_shown) {
        return;
    }
    m_shown = screen;
    if (!isVisible()) {
        // Nobody sees this change: no fade, and the new screen waits for the next showing.
        finishFade();
        retire();
        return;
    }
    // The old screen fades out as a picture, so it stops working at once. The new one is built
    // on the next turn of the event loop: taking the picture and building and drawing the new
    // screen in one turn would hold the interface up for longer than a frame.
    if (m_current) {
        finishFade();
        startFade(m_current->grab());
        retire();
    }
    m_buildTimer.start();
}

void ContentView::build()
{
    m_current = m_shown == session::AppScreen::login ? m_makeLogin() : m_makeDashboard();
    // Laid out once at its real size; from the default size its wrapped texts would be broken
    // into lines twice.
    m_current->resize(size());
    m_stack->addWidget(m_current);
    m_stack->setCurrentWidget(m_current);
    if (m_overlay) {
        m_overlay->raise();
        m_fade->start();
    }
    emit screenShown(m_shown);
}

void ContentView::retire()
{
    if (QWidget* old = m_current) {
        m_current = nullptr;
        m_stack->removeWidget(old);
        old->deleteLater();
    }
}

void ContentView::startFade(const QPixmap& picture)
{
    m_overlay = new QLabel(this);
    m_overlay->setPixmap(picture);
    m_overlay->setGeometry(rect());
    auto* effect = new QGraphicsOpacityEffect(m_overlay);
    m_overlay->setGraphicsEffect(effect);
    m_overlay->show();
    m_overlay->raise();
    m_fade = new QPropertyAnimation(effect, "opacity", this);
    m_fade->setDuration(transitionMs);
    m_fade->setEasingCurve(QEasingCurve::InOutQuad);
    m_fade->setStartValue(1.0);
    m_fade->setEndValue(0.0);
    connect(m_fade, &QPropertyAnimation::finished, this, &ContentView::finishFade);
}

void ContentView::finishFade()
{
    if (m_fade) {
        // Possibly from within its own finished signal, so not deleted on the spot.
        m_fade->stop();
        m_fade->deleteLater();
        m_fade = nullptr;
    }
    if (m_overlay) {
        m_overlay->deleteLater();
        m_overlay = nullptr;
    }
}

} // namespace orvela::shell::views
