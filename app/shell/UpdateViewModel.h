#pragma once

#include "shell/UpdateCheckResult.h"

#include <QDateTime>
#include <QObject>
#include <functional>

class QSettings;

namespace orvela::shell {

class UpdateChecker;

/// State of the sidebar's version line: whether an update is available, and when the feed was
/// last read. The time is recorded only once a check has really read the feed, whoever started
/// it; a check that could not start or that failed leaves it as it was.
class UpdateViewModel : public QObject {
    Q_OBJECT

public:
    /// Loads "lastUpdateCheck" from `store`. Both pointers must outlive the model.
    UpdateViewModel(QSettings* store, UpdateChecker* checker, QObject* parent = nullptr);

    bool updateAvailable() const { return m_updateAvailable; }
    /// "MM/dd HH:mm" in local time; empty when no check was ever recorded.
    QString lastCheckDate() const { return m_lastCheckDate; }
    QUrl downloadUrl() const { return m_downloadUrl; }
    bool isChecking() const { return m_checking; }

    /// Asks the checker for a check; false when it cannot run one now.
    bool checkNow();

    /// Where "now" comes from; tests pin it.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

signals:
    void changed();

private:
    void recordCheck(const UpdateCheckResult& result);

    QSettings* m_store;
    UpdateChecker* m_checker;
    std::function<QDateTime()> m_clock = [] { return QDateTime::currentDateTime(); };
    bool m_updateAvailable = false;
    bool m_checking = false;
    QString m_lastCheckDate;
    QUrl m_downloadUrl;
};

} // namespace orvela::shell
