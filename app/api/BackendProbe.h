#pragma once

#include <QDateTime>
#include <QSslCertificate>
#include <QString>
#include <optional>

class QNetworkReply;

namespace orvela::api {

class PinnedSessionDelegate;

/// What one health request learnt of the connection to the backend, for a diagnostics report.
/// Carries no request or reply content beyond the status and the server's clock.
struct BackendProbe {
    bool answered = false;       ///< an HTTP status came back
    int httpStatus = 0;          ///< 0 when none did
    QString failure;             ///< the transport error's name when there was no answer
    bool timedOut = false;       ///< the exchange ran past its limit and was cut off
    bool pinRefused = false;     ///< the chain carried no pinned key while pinning was on
    bool pinningEnabled = false; ///< pinning was on for this request
    bool encrypted = false;      ///< the connection was TLS
    QString tlsProtocol;         ///< "TLS 1.3", empty over plain HTTP
    QSslCertificate leaf = QSslCertificate(); ///< the server's certificate; null over HTTP
    bool chainMatchesPins = false;
    qint64 roundTripMs = -1;
    std::optional<QDateTime> serverDate; ///< from the Date header, in UTC

    /// Fills the TLS fields and the Date header from a finished reply.
    void readConnection(const QNetworkReply& reply, const PinnedSessionDelegate& pins);
};

/// An HTTP date ("Sun, 06 Nov 1994 08:49:37 GMT") as UTC; none when it is not one.
std::optional<QDateTime> parseHttpDate(const QByteArray& text);

} // namespace orvela::api
