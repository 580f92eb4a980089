// GET /api/health: the plain yes or no, and the diagnostics' probe of the connection.

#include "api/APIClient.h"
#include "api/ReplyOutcome.h"
#include "api/RequestRules.h"

#include <QElapsedTimer>
#include <QMetaEnum>
#include <QNetworkReply>

namespace orvela::api {

ApiCall* APIClient::healthCheck(QObject* context, std::function<void(bool)> done)
{
    ApiCall* call = newCall(context);
    const QUrl url = parseUrl(baseURL() + QStringLiteral("/api/health"));
    if (!url.isValid() || refusePlainHttp(url)) {
        call->deliver([done] { done(false); });
        return call;
    }
    QNetworkRequest request(url);
    request.setTransferTimeout(m_options.timeouts.healthIdleMs);
    start(call, request, QByteArrayLiteral("GET"), nullptr, m_options.limits.healthBytes,
          [call, done = std::move(done)](QNetworkReply* reply) {
              const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
              // The probe uses no body, so only its limit matters, not its completeness.
              const bool healthy = !refusal(reply) && reply->error() == QNetworkReply::NoError &&
                                   status.isValid() && status.toInt() >= 200 &&
                                   status.toInt() <= 299;
              call->deliver([done, healthy] { done(healthy); });
          });
    return call;
}

ApiCall* APIClient::probe(int exchangeMs, QObject* context, std::function<void(BackendProbe)> done)
{
    ApiCall* call = newCall(context);
    const QUrl url = parseUrl(baseURL() + QStringLiteral("/api/health"));
    if (!url.isValid() || refusePlainHttp(url)) {
        call->deliver([done] { done(BackendProbe{}); });
        return call;
    }
    QNetworkRequest request(url);
    // The whole-exchange limit cuts a slow answer off and says so; the idle limit stays behind it.
    request.setTransferTimeout(exchangeMs + 1000);
    QElapsedTimer clock;
    clock.start();
    start(
        call, request, QByteArrayLiteral("GET"), nullptr, m_options.limits.healthBytes,
        [this, call, clock, done = std::move(done)](QNetworkReply* reply) {
            BackendProbe probe;
            probe.roundTripMs = clock.elapsed();
            const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
            probe.answered = status.isValid();
            probe.httpStatus = status.toInt();
            probe.pinRefused = reply->property(PinnedSessionDelegate::refusedProperty).toBool();
            probe.timedOut = reply->property(exchangeTimedOutProperty).isValid();
            if (!probe.answered) {
                probe.failure = QString::fromLatin1(
                    QMetaEnum::fromType<QNetworkReply::NetworkError>().valueToKey(reply->error()));
            }
            probe.readConnection(*reply, m_pinning);
            call->deliver([done, probe] { done(probe); });
        },
        exchangeMs);
    return call;
}

} // namespace orvela::api
