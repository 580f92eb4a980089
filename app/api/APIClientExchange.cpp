// The one exchange every call but the upload runs on, and how its reply is read.

#include "api/APIClient.h"
#include "api/ReplyBody.h"
#include "api/ReplyOutcome.h"
#include "api/RequestRules.h"

#include <QNetworkReply>
#include <QSslConfiguration>
#include <QTimer>

namespace orvela::api {

namespace {

/// Redirects within the origin the request went to are followed; any other one would carry
/// the request (its body included, for a 307 or 308) to a server nobody configured, so it
/// ends the exchange before a byte goes there.
void followSameOriginOnly(QNetworkReply* reply)
{
    QObject::connect(reply, &QNetworkReply::redirected, reply, [reply](const QUrl& target) {
        if (sameOrigin(reply->request().url(), target)) {
            emit reply->redirectAllowed();
            return;
        }
        qCCritical(lcApiClient, "✕ redirect to another origin refused");
        reply->setProperty(redirectRefusedProperty, true);
        reply->abort();
    });
}

} // namespace

QNetworkReply* APIClient::start(ApiCall* call, QNetworkRequest request, const QByteArray& verb,
                                QIODevice* body, qint64 replyLimit, HandleCallback finished,
                                int exchangeMs, bool backendOrigin)
{
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    // Uncompressed bodies only: with Qt decompressing, Content-Length would count other bytes
    // than the ones collected, and a reply could no longer be told complete. The replies are
    // small JSON or an already compressed PDF, so nothing worth having is lost.
    request.setRawHeader("Accept-Encoding", "identity");
    if (!m_options.caCertificates.isEmpty()) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setCaCertificates(m_options.caCertificates);
        request.setSslConfiguration(tls);
    }
    // A keep-alive connection is checked only when it is opened, so one opened under the other
    // pinning state must not carry this request.
    const bool pinned = readPinningSetting();
    if (pinned != m_connectionsPinned) {
        m_network->clearConnectionCache();
        m_connectionsPinned = pinned;
    }
    QNetworkReply* reply = m_network->sendCustomRequest(request, verb, body);
    if (body != nullptr) {
        body->setParent(reply);
    }
    if (backendOrigin) {
        m_pinning.attach(reply);
    }
    followSameOriginOnly(reply);
    ReplyBody::attach(reply, replyLimit);
    call->setReply(reply);

    const int wholeMs = exchangeMs > 0 ? exchangeMs : m_options.timeouts.exchangeMs;
    auto* exchangeLimit = new QTimer(reply);
    exchangeLimit->setSingleShot(true);
    connect(exchangeLimit, &QTimer::timeout, reply, [reply, wholeMs] {
        reply->setProperty(exchangeTimedOutProperty, wholeMs);
        reply->abort();
    });
    exchangeLimit->start(wholeMs);

    connect(reply, &QNetworkReply::finished, call, [call, reply, finished = std::move(finished)] {
        if (call->m_reply != reply) {
            return;
        }
        call->m_reply = nullptr;
        reply->deleteLater();
        finished(reply);
    });
    return reply;
}

CallResult<QByteArray> APIClient::readReply(QNetworkReply* reply, const QString& path) const
{
    if (const auto refused = refusal(reply)) {
        qCCritical(lcApiClient, "✕ %s: refused", qUtf8Printable(path));
        return *refused;
    }
    const QNetworkReply::NetworkError error = reply->error();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (error != QNetworkReply::NoError && !isHttpStatusError(error, status)) {
        logTransportError(path, error);
        const bool pinRefused = reply->property(PinnedSessionDelegate::refusedProperty).toBool();
        if (pinRefused) {
            return TransportError{error, reply->errorString(), true};
        }
        if (error == QNetworkReply::OperationCanceledError ||
            error == QNetworkReply::TimeoutError) {
            // Only Qt's own idle limit and our exchange limit abort a reply we still listen to.
            return timedOut(reply);
        }
        return TransportError{error, reply->errorString()};
    }
    if (!status.isValid()) {
        return ApiError::invalidResponse();
    }
    return answerOf(status.toInt(), ReplyBody::take(reply), path);
}

} // namespace orvela::api
