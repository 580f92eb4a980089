#pragma once

#include "shell/UpdateCheckResult.h"

#include <QObject>
#include <QPointer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

namespace orvela::shell {

/// Reads the update feed and says whether a newer release than the installed one exists, with
/// its download link. It never downloads or replaces the program itself.
class UpdateChecker : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)

public:
    /// `network` must outlive the checker. An empty or non-HTTP(S) `feedUrl` disables checks.
    UpdateChecker(QNetworkAccessManager* network, const QUrl& feedUrl,
                  const QString& installedVersion, QObject* parent = nullptr);
    ~UpdateChecker() override;

    /// An absolute HTTP(S) address with a host: the only kind of feed address a check uses.
    static bool isUsableFeed(const QUrl& url);

    /// False while a check runs and when no usable feed address is set.
    bool canCheckForUpdates() const;

    QUrl feedUrl() const { return m_feedUrl; }
    bool hasUsableFeed() const { return isUsableFeed(m_feedUrl); }
    void setFeedUrl(const QUrl& feedUrl);

    /// Starts a check; false (and nothing starts) when `canCheckForUpdates` is false.
    bool checkForUpdates();

    /// The last finished check's result; a failed one before the first check.
    const UpdateCheckResult& lastResult() const { return m_lastResult; }

    /// Most a check may take before it counts as failed.
    static constexpr int transferTimeoutMs = 20000;

signals:
    void canCheckForUpdatesChanged(bool canCheck);
    void checkStarted();
    void checkFinished(const orvela::shell::UpdateCheckResult& result);

private:
    void finish(QNetworkReply* reply);
    UpdateCheckResult evaluate(QNetworkReply* reply) const;
    void announceCanCheck(bool before);

    QNetworkAccessManager* m_network;
    QUrl m_feedUrl;
    QString m_installedVersion;
    QPointer<QNetworkReply> m_reply;
    UpdateCheckResult m_lastResult;
};

} // namespace orvela::shell
