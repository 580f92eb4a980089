#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace orvela::api {

/// Reply of the QR sign-in start.
struct StartResponse {
    QString sessionId;
    QString qr;                            ///< text to encode in the sign-in QR code
    std::optional<QString> deviceLinkBase; ///< decoded, not used by this client
    std::optional<QString> vc;
    std::optional<QString> pollToken;

    /// The decoded reply, or nothing with the reason in `why`.
    static std::optional<StartResponse> decode(const QByteArray& body, QString* why = nullptr);
};

} // namespace orvela::api
