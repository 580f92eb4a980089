#pragma once

// Internal to APIClient: how the end of an exchange, a QNetworkReply's or a StreamedExchange's,
// becomes the call's result, and what is logged of it.

#include "api/ApiError.h"
#include "api/CallResult.h"
#include "api/StreamedExchange.h"

#include <QNetworkReply>
#include <optional>

namespace orvela::api {

/// Set on a reply aborted because its redirect led away from the configured origin.
inline constexpr char redirectRefusedProperty[] = "orvelaRedirectRefused";
/// Set, to the limit in milliseconds, on a reply aborted because the whole exchange took longer.
inline constexpr char exchangeTimedOutProperty[] = "orvelaExchangeTimedOut";

/// Whether Qt's error only restates the HTTP status of a reply that did arrive. Qt turns every
/// status of 400 or above into an error code from several ranges (418 and 400 land among the
/// protocol errors, 407 among the proxy errors), so what tells the cases apart is a status of
/// 400 or above together with an error outside the connection range (1-99: refused, closed,
/// timed out, cancelled, TLS...), which would mean the exchange itself broke.
bool isHttpStatusError(QNetworkReply::NetworkError error, const QVariant& status);

/// A reply that ended because one of its time limits ran out: Qt reports both its own idle
/// limit and our abort as a cancelled operation, so the property tells them apart.
TransportError timedOut(const QNetworkReply* reply);

/// An answer that arrived, as the call's result: its body below 400, else the server's error.
CallResult<QByteArray> answerOf(int code, const CallResult<QByteArray>& body, const QString& path);

void logTransportError(const QString& path, QNetworkReply::NetworkError error);

/// A streamed exchange's end as the call's result, logged as a reply's would be.
CallResult<QByteArray> resultOf(const ExchangeEnd& end, const QString& path);

/// Why a reply was refused before it ended by itself, if it was.
std::optional<ApiError> refusal(const QNetworkReply* reply);

} // namespace orvela::api
