#pragma once

#include <QObject>
#include <QTimer>

namespace orvela::updates {

class UpdateViewModel;

/// When the program looks for updates by itself: once a little after its first window has
/// appeared, so the check never holds up the start, then once a day while it runs. Every check
/// goes through the view model, which records the time of each one that read the feed. A
/// distribution build turns this off (ORVELA_AUTO_UPDATE_CHECKS=OFF): its package manager
/// brings the updates.
class UpdateSchedule : public QObject {
    Q_OBJECT

public:
    static constexpr int firstCheckDelayMs = 5000;
    static constexpr int dailyIntervalMs = 24 * 60 * 60 * 1000;

    /// Whether this build checks by itself.
    static bool builtInEnabled();

    /// `updates` must outlive the schedule.
    UpdateSchedule(UpdateViewModel* updates, bool enabled, QObject* parent = nullptr);

    bool isEnabled() const { return m_enabled; }

    /// Arms the first check and the daily one; the shell calls it once its first window has
    /// appeared. Does nothing when disabled or already started.
    void start();

    /// How long after `start` the first check runs; tests shorten it.
    void setFirstCheckDelay(int ms) { m_first.setInterval(ms); }

    const QTimer& firstCheckTimer() const { return m_first; }
    const QTimer& dailyTimer() const { return m_daily; }

private:
    UpdateViewModel* m_updates;
    bool m_enabled;
    bool m_started = false;
    QTimer m_first;
    QTimer m_daily;
};

} // namespace orvela::updates
