#pragma once

#include <QNetworkReply>
#include <QString>
#include <variant>

namespace orvela::api {

/// The client's own error: an HTTP failure with the backend's message, a reply that could not
/// be used, or a poll that ran out of time.
class APIError {
public:
    enum class Kind { server, invalidResponse, timeout };

    static APIError server(int status, const QString& message);
    static APIError invalidResponse() { return APIError(Kind::invalidResponse, 0, {}); }
    static APIError timeout() { return APIError(Kind::timeout, 0, {}); }

    Kind kind() const { return m_kind; }
    /// The HTTP status of a `server` error, 0 otherwise.
    int status() const { return m_status; }
    /// The backend's (or the error-body rule's) text of a `server` error.
    const QString& serverMessage() const { return m_serverMessage; }
    /// The fixed user-facing text.
    QString message() const;

    bool operator==(const APIError&) const = default;

private:
    APIError(Kind kind, int status, QString serverMessage)
        : m_kind(kind), m_status(status), m_serverMessage(std::move(serverMessage))
    {}

    Kind m_kind;
    int m_status;
    QString m_serverMessage;
};

/// A transport failure (connection, TLS, pin refusal, Qt's own time-out) as Qt reported it.
struct TransportError {
    QNetworkReply::NetworkError code = QNetworkReply::UnknownNetworkError;
    QString message;
    /// The pin check refused the server's chain (Qt reports it as a cancelled operation).
    bool pinRefused = false;

    bool operator==(const TransportError&) const = default;
};

/// Why a backend call failed.
using CallError = std::variant<APIError, TransportError>;

/// The text a screen shows for a failed call.
QString errorMessage(const CallError& error);

} // namespace orvela::api
