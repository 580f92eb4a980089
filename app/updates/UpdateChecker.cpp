#include "updates/UpdateChecker.h"

#include "updates/AppcastParser.h"
#include "updates/UpdateOutcome.h"

#include <QLoggingCategory>

namespace orvela::updates {

namespace {

Q_LOGGING_CATEGORY(lcUpdates, "mn.orvela.eid.desktop.Updates")

using Failure = UpdateCheckResult::Failure;

} // namespace

UpdateChecker::UpdateChecker(api::APIClient& client, const QUrl& feedUrl,
                             const QString& installedVersion, QObject* parent)
    : QObject(parent), m_client(client), m_feedUrl(feedUrl), m_installedVersion(installedVersion)
{
    m_rules.maxBytes = maxFeedBytes;
    m_rules.accept = QByteArrayLiteral("application/rss+xml, application/xml, text/xml");
}

bool UpdateChecker::isUsableFeed(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("https") || scheme == QLatin1String("http"));
}

bool UpdateChecker::canCheckForUpdates() const
{
    return !isChecking() && isUsableFeed(m_feedUrl);
}

void UpdateChecker::setFeedUrl(const QUrl& feedUrl)
{
    const bool before = canCheckForUpdates();
    m_feedUrl = feedUrl;
    announceCanCheck(before);
}

void UpdateChecker::setTimeLimits(int idleMs, int overallMs)
{
    m_rules.idleMs = idleMs;
    m_rules.exchangeMs = overallMs;
}

bool UpdateChecker::checkForUpdates()
{
    if (!canCheckForUpdates()) {
        return false;
    }
    m_call = m_client.fetch(m_feedUrl, m_rules, this,
                            [this](api::CallResult<QByteArray> reply) { finish(reply); });
    emit canCheckForUpdatesChanged(false);
    emit checkStarted();
    return true;
}

void UpdateChecker::finish(const api::CallResult<QByteArray>& reply)
{
    m_lastResult = reply.ok() ? evaluate(reply.value())
                              : UpdateCheckResult::failed(Failure::transfer, reply.error());
    if (m_lastResult.feedRead()) {
        qCInfo(lcUpdates) << "feed read, newest version" << m_lastResult.latestVersion;
    } else {
        // The reason as a person would read it: no text of the server's own reaches the log.
        qCWarning(lcUpdates) << "update check failed:"
                             << failureReason(m_lastResult, common::AppLanguage::en);
    }
    m_call = nullptr;
    announceCanCheck(false);
    emit checkFinished(m_lastResult);
}

UpdateCheckResult UpdateChecker::evaluate(const QByteArray& feed) const
{
    const auto items = AppcastParser::parse(feed, m_feedUrl);
    if (!items) {
        return UpdateCheckResult::failed(Failure::notAFeed);
    }
    const auto newest = AppcastParser::newest(*items);
    if (!newest) {
        return UpdateCheckResult::failed(Failure::noRelease);
    }
    UpdateCheckResult result;
    result.failure = Failure::none;
    result.latestVersion = newest->version;
    if (AppcastParser::compareVersions(newest->version, m_installedVersion) > 0) {
        result.status = UpdateCheckResult::Status::updateAvailable;
        result.downloadUrl = newest->downloadUrl;
        result.releaseNotesUrl = newest->releaseNotesUrl;
        result.notes = newest->notes;
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

} // namespace orvela::updates
