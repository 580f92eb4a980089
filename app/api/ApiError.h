#pragma once

#include "common/AppLanguage.h"

#include <QNetworkReply>
#include <QString>
#include <variant>

namespace orvela::api {

/// The client's own error: an HTTP failure with the backend's message, a reply that could not
/// be used, a poll or an exchange that ran out of time, or a reply the client refused to take
/// in (larger than its call allows, cut short, framed ambiguously, or redirected away from the
/// configured server).
class ApiError {
public:
    enum class Kind {
        server,
        invalidResponse,
        timeout,
        replyTooLarge,
        incompleteReply,
        redirectRefused,
        malformedReply,
        plainHttpRefused
    };

    static ApiError server(int status, const QString& message);
    static ApiError invalidResponse() { return ApiError(Kind::invalidResponse, 0, {}); }
    static ApiError timeout() { return ApiError(Kind::timeout, 0, {}); }
    static ApiError replyTooLarge() { return ApiError(Kind::replyTooLarge, 0, {}); }
    static ApiError incompleteReply() { return ApiError(Kind::incompleteReply, 0, {}); }
    static ApiError redirectRefused() { return ApiError(Kind::redirectRefused, 0, {}); }
    /// More than one Content-Length, one beside a Transfer-Encoding, or a Transfer-Encoding
    /// other than chunked: a reply whose end the client and a proxy could see differently.
    static ApiError malformedReply() { return ApiError(Kind::malformedReply, 0, {}); }
    /// An http:// backend while pinning is on; nothing was sent.
    static ApiError plainHttpRefused() { return ApiError(Kind::plainHttpRefused, 0, {}); }

    Kind kind() const { return m_kind; }
    /// The HTTP status of a `server` error, 0 otherwise.
    int status() const { return m_status; }
    /// The backend's (or the error-body rule's) text of a `server` error.
    const QString& serverMessage() const { return m_serverMessage; }
    /// The user-facing text in the default language.
    QString message() const { return message(common::AppLanguage::mn); }
    /// The user-facing text in `language`, chosen by kind from the interface tables; in
    /// Mongolian the fixed texts word for word. A `server` error keeps the backend's own message
    /// after the worded prefix, as the backend wrote it.
    QString message(common::AppLanguage language) const;

    bool operator==(const ApiError&) const = default;

private:
    ApiError(Kind kind, int status, QString serverMessage)
        : m_kind(kind), m_status(status), m_serverMessage(std::move(serverMessage))
    {}

    Kind m_kind;
    int m_status;
    QString m_serverMessage;
};

/// A transport failure (connection, TLS, pin refusal, a time limit that ran out) as Qt reported
/// it; a time limit says which wait it was, since Qt names both only "Operation canceled".
struct TransportError {
    /// Which wait ran out when the exchange timed out: no data for the idle limit, or the whole
    /// exchange past its own limit. Qt reports both as a cancelled operation.
    enum class Wait { none, idle, exchange };

    QNetworkReply::NetworkError code = QNetworkReply::UnknownNetworkError;
    QString message;
    /// The pin check refused the server's chain (Qt reports it as a cancelled operation).
    bool pinRefused = false;
    Wait timedOut = Wait::none;
    /// The limit that ran out, in milliseconds; 0 unless `timedOut` says which.
    int limitMs = 0;

    /// A time limit that ran out; `message` is the platform's text for the abort it caused.
    static TransportError timedOutAfter(Wait wait, int limitMs, QString message)
    {
        return {QNetworkReply::TimeoutError, std::move(message), false, wait, limitMs};
    }

    bool operator==(const TransportError&) const = default;
};

/// Why a backend call failed.
using CallError = std::variant<ApiError, TransportError>;

/// The text a screen shows for a failed call, in `language`. A connection refused by the pin
/// check says so, a time-out says which wait ran out and after how long; any other transport
/// failure keeps Qt's own description, which has no Mongolian.
QString errorMessage(const CallError& error,
                     common::AppLanguage language = common::AppLanguage::mn);

} // namespace orvela::api
