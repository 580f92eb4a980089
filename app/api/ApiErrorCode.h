#pragma once

#include <QString>
#include <optional>

namespace orvela::api {

/// Kinds of the application-wide error value, in their fixed order; the raw values are the texts.
enum class ApiErrorCode {
    network,
    timeout,
    unauthorized,
    certificatePinFailure,
    badRequest,
    notFound,
    serverError,
    cancelled,
    internal,
};

/// The code's raw text, for example "certificate_pin_failure".
QString rawValue(ApiErrorCode code);

/// The application-wide error value: a code, the message the user sees and an optional technical
/// detail. Screens show `message`.
struct ApiError {
    ApiErrorCode code = ApiErrorCode::internal;
    QString message;
    std::optional<QString> detail;

    static ApiError network(const QString& message, std::optional<QString> detail = {});
    static ApiError timeout(const QString& message, std::optional<QString> detail = {});
    static ApiError unauthorized(const QString& message, std::optional<QString> detail = {});
    static ApiError certificatePinFailure(const QString& message,
                                          std::optional<QString> detail = {});
    static ApiError badRequest(const QString& message, std::optional<QString> detail = {});
    static ApiError notFound(const QString& message, std::optional<QString> detail = {});
    static ApiError server(const QString& message, std::optional<QString> detail = {});
    static ApiError cancelled(const QString& message, std::optional<QString> detail = {});
    static ApiError internal(const QString& message, std::optional<QString> detail = {});

    /// What a screen shows for this error.
    QString localizedDescription() const { return message; }

    bool operator==(const ApiError&) const = default;
};

} // namespace orvela::api
