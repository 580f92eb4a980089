#include "dashboard/views/HomeController.h"

#include "api/APIClient.h"

#include <QTimer>

namespace orvela::dashboard::views {

HomeController::HomeController(api::APIClient* api, std::function<QDateTime()> clock,
                               QObject* parent)
    : QObject(parent), m_api(api), m_clock(std::move(clock))
{
    if (!m_clock) {
        m_clock = [] { return QDateTime::currentDateTime(); };
    }
}

void HomeController::check()
{
    cancel();
    m_checking = true;
    m_statusVariant = components::Tone::neutral;
    m_statusKey = QStringLiteral("Home_Status_Checking");
    emit changed();
    if (!m_api) {
        // Still answered from the event loop, like a real check, so callers see one order.
        QTimer::singleShot(0, this, [this] { finish(false); });
        return;
    }
    m_checkTask = m_api->healthCheck(this, [this](bool reachable) { finish(reachable); });
}

void HomeController::cancel()
{
    if (m_checkTask) {
        m_checkTask->cancel();
        m_checkTask = nullptr;
    }
    if (m_checking) {
        m_checking = false;
        emit changed();
    }
}

void HomeController::finish(bool reachable)
{
    if (!m_checking) {
        return; // cancelled meanwhile
    }
    m_checkTask = nullptr;
    m_checking = false;
    m_statusVariant = reachable ? components::Tone::success : components::Tone::danger;
    m_statusKey = reachable ? QStringLiteral("Home_Status_Healthy")
                            : QStringLiteral("Home_Status_Unreachable");
    // The health endpoint names no version.
    m_backendVersion = QStringLiteral("—");
    m_lastChecked = m_clock();
    emit changed();
}

} // namespace orvela::dashboard::views
