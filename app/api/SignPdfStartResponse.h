#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace orvela::api {

/// Reply of the start of a remote signing session.
struct SignPdfStartResponse {
    QString sessionId;
    std::optional<QString> vc;        ///< verification code the person compares with the phone
    std::optional<QString> pollToken; ///< secret for polling this session

    /// The decoded reply, or nothing with the reason in `why`.
    static std::optional<SignPdfStartResponse> decode(const QByteArray& body,
                                                      QString* why = nullptr);
};

} // namespace orvela::api
