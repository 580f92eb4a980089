#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace orvela::api {

/// The JSON body the backend sends with a failing status.
struct ErrorResponse {
    std::optional<QString> error;

    /// The decoded body, or nothing when it is not such an object.
    static std::optional<ErrorResponse> decode(const QByteArray& body);

    /// The message a failing reply carries: the backend's "error" (with its own text for
    /// "rate_limited"), else the first 300 bytes of the body as UTF-8, else "Unknown error".
    static QString messageFor(const QByteArray& body);
};

} // namespace orvela::api
