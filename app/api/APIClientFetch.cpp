// A bounded GET of an address other than the backend's, on the same exchange as its calls.

#include "api/APIClient.h"
#include "api/RequestRules.h"

#include <QNetworkReply>

namespace orvela::api {

ApiCall* APIClient::fetch(const QUrl& url, const FetchRules& rules, QObject* context,
                          std::function<void(CallResult<QByteArray>)> done)
{
    ApiCall* call = newCall(context);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("https") && scheme != QLatin1String("http"))) {
        call->deliver([done] { done(ApiError::invalidResponse()); });
        return call;
    }
    QNetworkRequest request(url);
    request.setRawHeader("Accept", rules.accept);
    request.setRawHeader("User-Agent", userAgent);
    request.setTransferTimeout(rules.idleMs);
    // Host and path only: a query may carry what does not belong in a log.
    const QString where = url.host() + url.path();
    qCInfo(lcApiClient, "→ GET %s", qUtf8Printable(where));
    start(
        call, request, QByteArrayLiteral("GET"), nullptr, rules.maxBytes,
        [this, call, where, done = std::move(done)](QNetworkReply* reply) {
            call->deliver([done, result = readReply(reply, where)] { done(result); });
        },
        rules.exchangeMs, false);
    return call;
}

} // namespace orvela::api
