#pragma once

#include "api/APIClient.h"
#include "updates/UpdateCheckResult.h"

#include <QObject>
#include <QPointer>
#include <QUrl>

namespace orvela::updates {

/// Reads the update feed and says whether a newer release than the installed one exists, with
/// its notes and download link. It never downloads or replaces the program itself. The feed
/// comes through the API client's bounded road: whole or not at all, refused the moment it
/// passes its size limit, under an idle and an overall time limit.
class UpdateChecker : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)

public:
    /// A feed is a few kilobytes; anything far larger is not one.
    static constexpr qint64 maxFeedBytes = 4 * 1024 * 1024;

    /// `client` must outlive the checker. An empty or non-HTTP(S) `feedUrl` disables checks.
    UpdateChecker(api::APIClient& client, const QUrl& feedUrl, const QString& installedVersion,
                  QObject* parent = nullptr);

    /// An absolute HTTP(S) address with a host: the only kind of feed address a check uses.
    static bool isUsableFeed(const QUrl& url);

    /// False while a check runs and when no usable feed address is set.
    bool canCheckForUpdates() const;
    bool isChecking() const { return !m_call.isNull(); }

    QUrl feedUrl() const { return m_feedUrl; }
    bool hasUsableFeed() const { return isUsableFeed(m_feedUrl); }
    void setFeedUrl(const QUrl& feedUrl);

    /// The size and time limits of a check; tests shorten them.
    const api::FetchRules& rules() const { return m_rules; }
    void setTimeLimits(int idleMs, int overallMs);

    /// Starts a check; false (and nothing starts) when `canCheckForUpdates` is false.
    bool checkForUpdates();

    /// The last finished check's result; a failed one before the first check.
    const UpdateCheckResult& lastResult() const { return m_lastResult; }

signals:
    void canCheckForUpdatesChanged(bool canCheck);
    void checkStarted();
    void checkFinished(const orvela::updates::UpdateCheckResult& result);

private:
    void finish(const api::CallResult<QByteArray>& reply);
    UpdateCheckResult evaluate(const QByteArray& feed) const;
    void announceCanCheck(bool before);

    api::APIClient& m_client;
    QUrl m_feedUrl;
    QString m_installedVersion;
    api::FetchRules m_rules;
    QPointer<api::ApiCall> m_call;
    UpdateCheckResult m_lastResult;
};

} // namespace orvela::updates
