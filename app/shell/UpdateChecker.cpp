#include "shell/UpdateChecker.h"

#include "shell/AppcastParser.h"

#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace orvela::shell {

namespace {

Q_LOGGING_CATEGORY(lcUpdates, "mn.orvela.eid.desktop.Updates")

UpdateCheckResult failure(const QString& error)
{
    UpdateCheckResult result;
    result.error = error;
    return result;
}

// A feed is a few kilobytes; anything far larger is not one.
constexpr qint64 kMaxFeedBytes = 4 * 1024 * 1024;

} // namespace

UpdateChecker::UpdateChecker(QNetworkAccessManager* network, const QUrl& feedUrl,
                             const QString& installedVersion, QObject* parent)
    : QObject(parent), m_network(network), m_feedUrl(feedUrl), m_installedVersion(installedVersion)
{
    m_lastResult.error = QStringLiteral("not checked yet");
}

UpdateChecker::~UpdateChecker()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
}

bool UpdateChecker::isUsableFeed(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("https") || scheme == QLatin1String("http"));
}

bool UpdateChecker::canCheckForUpdates() const
{
    return !m_reply && isUsableFeed(m_feedUrl);
}

void UpdateChecker::setFeedUrl(const QUrl& feedUrl)
{
    const bool before = canCheckForUpdates();
    m_feedUrl = feedUrl;
    announceCanCheck(before);
}

bool UpdateChecker::checkForUpdates()
{
    if (!canCheckForUpdates()) {
        return false;
    }
    QNetworkRequest request(m_feedUrl);
    request.setTransferTimeout(transferTimeoutMs);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Orvela-Desktop/1.0"));
    m_reply = m_network->get(request);
    connect(m_reply, &QNetworkReply::finished, this,
            [this, reply = m_reply.data()] { finish(reply); });
    emit canCheckForUpdatesChanged(false);
    emit checkStarted();
    return true;
}

void UpdateChecker::finish(QNetworkReply* reply)
{
    reply->deleteLater();
    m_lastResult = evaluate(reply);
    if (m_lastResult.feedRead()) {
        qCInfo(lcUpdates) << "feed read, newest version" << m_lastResult.latestVersion;
    } else {
        qCWarning(lcUpdates) << "update check failed:" << m_lastResult.error;
    }
    m_reply = nullptr;
    announceCanCheck(false);
    emit checkFinished(m_lastResult);
}

UpdateCheckResult UpdateChecker::evaluate(QNetworkReply* reply) const
{
    // The whole body may already be in when the progress report comes, so both are checked.
    if (reply->property("orvelaTooLarge").toBool() || reply->bytesAvailable() > kMaxFeedBytes) {
        return failure(QStringLiteral("feed too large"));
    }
    if (reply->error() != QNetworkReply::NoError) {
        return failure(reply->errorString());
    }
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status != 200) {
        return failure(QStringLiteral("HTTP status %1").arg(status));
    }
    const auto items = AppcastParser::parse(reply->readAll());
    if (!items) {
        return failure(QStringLiteral("not an update feed"));
    }
    const auto newest = AppcastParser::newest(*items);
    if (!newest) {
        return failure(QStringLiteral("the feed lists no release"));
    }
    UpdateCheckResult result;
    result.latestVersion = newest->version;
    if (AppcastParser::compareVersions(newest->version, m_installedVersion) > 0) {
        result.status = UpdateCheckResult::Status::updateAvailable;
        result.downloadUrl = newest->downloadUrl;
        result.releaseNotesUrl = newest->releaseNotesUrl;
    } else {
        result.status = UpdateCheckResult::Status::upToDate;
    }
    return result;
}

void UpdateChecker::announceCanCheck(bool before)
{
    const bool now = canCheckForUpdates();
    if (now != before) {
        emit canCheckForUpdatesChanged(now);
    }
}

} // namespace orvela::shell
