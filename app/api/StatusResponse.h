#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace orvela::api {

/// Reply of the status endpoint; every field is optional, so {} means "still running".
struct StatusResponse {
    std::optional<QString> state;     ///< "COMPLETE" ends polling
    std::optional<QString> endResult; ///< "OK", "USER_REFUSED", "USER_REFUSED_INTERACTION", ...
    std::optional<QString> documentNumber;
    std::optional<QString> certificateLevel;
    std::optional<QString> name;
    std::optional<QString> idNumber;
    std::optional<QString> error;

    bool isComplete() const { return state == QStringLiteral("COMPLETE"); }

    /// The decoded reply, or nothing with the reason in `why`.
    static std::optional<StatusResponse> decode(const QByteArray& body, QString* why = nullptr);
};

} // namespace orvela::api
