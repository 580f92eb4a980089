#include "api/ReplyOutcome.h"

#include "api/ErrorResponse.h"
#include "api/ReplyBody.h"
#include "common/LogCategories.h"

#include <QMetaEnum>

namespace orvela::api {

bool isHttpStatusError(QNetworkReply::NetworkError error, const QVariant& status)
{
    return status.isValid() && status.toInt() >= 400 && static_cast<int>(error) >= 100;
}

TransportError timedOut(const QNetworkReply* reply)
{
    const QVariant whole = reply->property(exchangeTimedOutProperty);
    return TransportError::timedOutAfter(
        whole.isValid() ? TransportError::Wait::exchange : TransportError::Wait::idle,
        whole.isValid() ? whole.toInt() : reply->request().transferTimeout(), reply->errorString());
}

CallResult<QByteArray> answerOf(int code, const CallResult<QByteArray>& body, const QString& path)
{
    qCInfo(lcApiClient, "← %d %s", code, qUtf8Printable(path));
    if (code >= 400) {
        // The status is the answer; a body cut short only loses the backend's words for it.
        return ApiError::server(code,
                                ErrorResponse::messageFor(body.ok() ? body.value() : QByteArray()));
    }
    if (!body.ok()) {
        qCCritical(lcApiClient, "✕ %s: body incomplete", qUtf8Printable(path));
    }
    return body;
}

void logTransportError(const QString& path, QNetworkReply::NetworkError error)
{
    // The error's name only: Qt's error texts may quote the URL, and with it a poll token.
    qCCritical(lcApiClient, "✕ %s: %s", qUtf8Printable(path),
               QMetaEnum::fromType<QNetworkReply::NetworkError>().valueToKey(error));
}

CallResult<QByteArray> resultOf(const ExchangeEnd& end, const QString& path)
{
    if (!end.failure) {
        return answerOf(end.status, end.body, path);
    }
    if (const auto* refused = std::get_if<ApiError>(&*end.failure)) {
        qCCritical(lcApiClient, "✕ %s: refused", qUtf8Printable(path));
        return *refused;
    }
    const auto& transport = std::get<TransportError>(*end.failure);
    logTransportError(path, transport.code);
    return transport;
}

std::optional<ApiError> refusal(const QNetworkReply* reply)
{
    if (reply->property(redirectRefusedProperty).toBool()) {
        return ApiError::redirectRefused();
    }
    if (ReplyBody::overLimit(reply)) {
        return ApiError::replyTooLarge();
    }
    if (ReplyBody::malformed(reply)) {
        return ApiError::malformedReply();
    }
    return std::nullopt;
}

} // namespace orvela::api
