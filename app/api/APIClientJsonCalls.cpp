// The backend's JSON endpoints, sent once or polled.

#include "api/APIClient.h"
#include "api/RequestRules.h"

#include <QBuffer>
#include <QNetworkReply>
#include <QUrl>

namespace orvela::api {

namespace {

/// Every character outside the unreserved set percent-encoded, "+" included, so that a
/// Base64 token arrives intact at servers that read "+" as a space.
QString encodedQuery(const QList<QPair<QString, QString>>& items)
{
    QStringList pairs;
    for (const auto& [name, value] : items) {
        pairs << QString::fromLatin1(QUrl::toPercentEncoding(name) + '=' +
                                     QUrl::toPercentEncoding(value));
    }
    return pairs.join(u'&');
}

} // namespace

QNetworkRequest APIClient::jsonRequest(const QUrl& url) const
{
    QNetworkRequest request(url);
    request.setRawHeader("Accept", "application/json");
    request.setRawHeader("User-Agent", userAgent);
    request.setTransferTimeout(m_options.timeouts.requestIdleMs);
    return request;
}

void APIClient::sendRaw(ApiCall* call, const Endpoint& endpoint, RawDone done)
{
    QUrl url = parseUrl(baseURL() + endpoint.path());
    if (url.isValid() && endpoint.kind() == Endpoint::Case::status) {
        url.setQuery(encodedQuery(endpoint.queryItems()), QUrl::StrictMode);
    }
    if (!url.isValid()) {
        done(ApiError::invalidResponse());
        return;
    }
    if (const auto refused = refusePlainHttp(url)) {
        done(*refused);
        return;
    }
    QNetworkRequest request = jsonRequest(url);
    const QByteArray body = endpoint.body();
    QBuffer* device = nullptr;
    if (!body.isEmpty()) {
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QByteArrayLiteral("application/json"));
        device = new QBuffer();
        device->setData(body);
        device->open(QIODevice::ReadOnly);
    }
    const QString path = endpoint.path();
    qCInfo(lcApiClient, "→ %s %s", endpoint.method().constData(), qUtf8Printable(path));
    start(call, request, endpoint.method(), device, m_options.limits.jsonBytes,
          [this, path, done = std::move(done)](QNetworkReply* reply) {
              done(readReply(reply, path));
          });
}

void APIClient::logDecodeFailure(const QString& why)
{
    qCCritical(lcApiClient, "decoding failed: %s", qUtf8Printable(why));
}

ApiCall* APIClient::pollStatus(const QString& sessionId, const QString& pollToken,
                               std::chrono::milliseconds limit, QObject* context,
                               std::function<void(CallResult<StatusResponse>)> done)
{
    ApiCall* call = newCall(context);
    pollOnce(call, sessionId, pollToken, std::chrono::steady_clock::now() + limit, std::move(done));
    return call;
}

void APIClient::pollOnce(ApiCall* call, const QString& sessionId, const QString& pollToken,
                         std::chrono::steady_clock::time_point deadline,
                         std::function<void(CallResult<StatusResponse>)> done)
{
    if (std::chrono::steady_clock::now() >= deadline) {
        call->deliver([done] { done(ApiError::timeout()); });
        return;
    }
    sendRaw(call, Endpoint::status(sessionId, pollToken), [=, this](CallResult<QByteArray> raw) {
        if (!raw.ok()) {
            call->deliver([done, error = raw.error()] { done(error); });
            return;
        }
        QString why;
        const auto status = StatusResponse::decode(raw.value(), &why);
        if (!status) {
            logDecodeFailure(why);
            call->deliver([done] { done(ApiError::invalidResponse()); });
        } else if (status->error && !status->error->isEmpty()) {
            call->deliver([done, text = *status->error] { done(ApiError::server(200, text)); });
        } else if (status->isComplete()) {
            call->deliver([done, value = *status] { done(value); });
        } else {
            call->after(400, [=, this] { pollOnce(call, sessionId, pollToken, deadline, done); });
        }
    });
}

} // namespace orvela::api
