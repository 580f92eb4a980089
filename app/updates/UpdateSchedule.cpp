#include "updates/UpdateSchedule.h"

#include "updates/UpdateViewModel.h"

namespace orvela::updates {

bool UpdateSchedule::builtInEnabled()
{
    return ORVELA_AUTO_UPDATE_CHECKS != 0;
}

UpdateSchedule::UpdateSchedule(UpdateViewModel* updates, bool enabled, QObject* parent)
    : QObject(parent), m_updates(updates), m_enabled(enabled)
{
    m_first.setSingleShot(true);
    m_first.setInterval(firstCheckDelayMs);
    // A day is long enough that a few seconds' slack saves the system a wake-up.
    m_daily.setTimerType(Qt::VeryCoarseTimer);
    m_daily.setInterval(dailyIntervalMs);
    // A check still running when the next one falls due is left to finish; checkNow refuses.
    const auto check = [this] { m_updates->checkNow(CheckOrigin::automatic); };
    connect(&m_first, &QTimer::timeout, this, check);
    connect(&m_daily, &QTimer::timeout, this, check);
}

void UpdateSchedule::start()
{
    if (!m_enabled || m_started) {
        return;
    }
    m_started = true;
    m_first.start();
    m_daily.start();
}

} // namespace orvela::updates
