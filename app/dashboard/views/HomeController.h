#pragma once

#include "components/Style.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

namespace orvela::api {
class APIClient;
class ApiCall;
} // namespace orvela::api

namespace orvela::dashboard::views {

/// The home page's backend check: asks the backend's health endpoint when the page shows and on
/// refresh, and shows whether it answered. Leaving the page cancels a running check, whose
/// answer is then never applied.
class HomeController : public QObject {
    Q_OBJECT

public:
    /// `api` may be null (no backend configured): every check then ends unreachable. `clock`
    /// gives the local time of "last checked"; tests pin it.
    explicit HomeController(api::APIClient* api, std::function<QDateTime()> clock = {},
                            QObject* parent = nullptr);

    components::Tone statusVariant() const { return m_statusVariant; }
    /// Localisation key of the status badge.
    QString statusKey() const { return m_statusKey; }
    QString backendVersion() const { return m_backendVersion; }
    /// When the last answer came; invalid before one.
    QDateTime lastCheckedAt() const { return m_lastChecked; }
    bool isChecking() const { return m_checking; }

    /// Cancels a running check and starts a new one.
    void check();
    /// Drops the running check, if any; its answer is never applied.
    void cancel();

signals:
    void changed();

private:
    void finish(bool reachable);

    api::APIClient* m_api;
    std::function<QDateTime()> m_clock;
    QPointer<api::ApiCall> m_checkTask;
    components::Tone m_statusVariant = components::Tone::neutral;
    QString m_statusKey = QStringLiteral("Home_Status_Checking");
    QString m_backendVersion = QStringLiteral("—");
    QDateTime m_lastChecked;
    bool m_checking = false;
};

} // namespace orvela::dashboard::views
