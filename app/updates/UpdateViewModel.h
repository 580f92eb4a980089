#pragma once

#include "updates/UpdateCheckResult.h"

#include <QDateTime>
#include <QObject>
#include <functional>

class QSettings;

namespace orvela::updates {

class UpdateChecker;

/// Who asked for an update check: a person (menu, version line) waits for an answer; the
/// schedule's own checks speak only when they find a new version.
enum class CheckOrigin { person, automatic };

/// State of the sidebar's version line and of the update checks: whether an update is
/// available, and when the feed was last read. The time is recorded only once a check has
/// really read the feed, whoever started it; a check that could not start or that failed leaves
/// it as it was.
class UpdateViewModel : public QObject {
    Q_OBJECT

public:
    /// Loads "lastUpdateCheck" from `store`. Both pointers must outlive the model.
    UpdateViewModel(QSettings* store, UpdateChecker* checker, QObject* parent = nullptr);

    bool updateAvailable() const { return m_updateAvailable; }
    /// The stored text of the last check: an internet date-time (older versions stored
    /// "MM/dd HH:mm"); empty when no check was ever recorded. UpdateInfoView words it.
    QString lastCheckDate() const { return m_lastCheckDate; }
    QUrl downloadUrl() const { return m_downloadUrl; }
    bool isChecking() const { return m_checking; }
    UpdateChecker& checker() const { return *m_checker; }

    /// Asks the checker for a check; false when it cannot run one now. A person's request
    /// that cannot run for want of a feed address gets that as its outcome at once.
    bool checkNow(CheckOrigin origin = CheckOrigin::person);

    /// Where "now" comes from; tests pin it.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

signals:
    void changed();
    /// An outcome to show: every end of a person's check, and a new version found by an
    /// automatic one. A failed automatic check is only logged (by the checker).
    void outcomeReady(const orvela::updates::UpdateCheckResult& result);

private:
    void recordCheck(const UpdateCheckResult& result);

    QSettings* m_store;
    UpdateChecker* m_checker;
    std::function<QDateTime()> m_clock = [] { return QDateTime::currentDateTime(); };
    bool m_updateAvailable = false;
    bool m_checking = false;
    CheckOrigin m_origin = CheckOrigin::automatic;
    QString m_lastCheckDate;
    QUrl m_downloadUrl;
};

} // namespace orvela::updates
