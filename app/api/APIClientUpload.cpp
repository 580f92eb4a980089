// The multipart upload that brings the signed copy back.

#include "api/APIClient.h"
#include "api/MultipartBody.h"
#include "api/ReplyOutcome.h"
#include "api/RequestRules.h"
#include "api/StreamedExchange.h"

#include <QUuid>

namespace orvela::api {

ApiCall* APIClient::upload(const QString& path, const QMap<QString, QString>& fields,
                           const QString& fileFieldName, const QString& fileName,
                           const QString& mediaType, const QByteArray& file, QObject* context,
                           std::function<void(CallResult<QByteArray>)> done)
{
    ApiCall* call = newCall(context);
    const QUrl url = parseUrl(baseURL() + path);
    if (!url.isValid()) {
        call->deliver([done] { done(ApiError::invalidResponse()); });
        return call;
    }
    if (const auto refused = refusePlainHttp(url)) {
        call->deliver([done, error = *refused] { done(error); });
        return call;
    }
    const QString boundary =
        QStringLiteral("Boundary-") + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    auto* body = new MultipartBody(boundary, fields, fileFieldName, fileName, mediaType, file);
    StreamedRequest request;
    request.url = url;
    request.method = QByteArrayLiteral("POST");
    request.fields = {
        {"Content-Type", "multipart/form-data; boundary=" + boundary.toLatin1()},
        {"Content-Length", QByteArray::number(body->size())},
        {"User-Agent", userAgent},
        // As on every other call: the body's bytes are the ones counted against its length.
        {"Accept-Encoding", "identity"},
    };
    request.body = body;
    request.replyLimit = m_options.limits.uploadBytes;
    request.idleMs = m_options.timeouts.requestIdleMs;
    request.exchangeMs = m_options.timeouts.exchangeMs;
    request.caCertificates = m_options.caCertificates;
    request.mayRedirect = sameOrigin;
    qCInfo(lcApiClient, "→ POST %s (%lld bytes)", qUtf8Printable(path),
           static_cast<long long>(body->size()));
    // The signed copy is the one reply large enough to matter, so it is read from a connection
    // of the client's own, where TCP holds back a server that sends faster than it is read.
    auto* exchange = new StreamedExchange(
        std::move(request), m_pinning,
        [call, path, done = std::move(done)](ExchangeEnd end) {
            call->m_exchange = nullptr;
            call->deliver([done, result = resultOf(end, path)] { done(result); });
        },
        call);
    call->setExchange(exchange);
    exchange->start();
    return call;
}

} // namespace orvela::api
