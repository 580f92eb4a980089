#include "api/ApiErrorCode.h"

namespace orvela::api {

QString rawValue(ApiErrorCode code)
{
    switch (code) {
    case ApiErrorCode::network:
        return QStringLiteral("network");
    case ApiErrorCode::timeout:
        return QStringLiteral("timeout");
    case ApiErrorCode::unauthorized:
        return QStringLiteral("unauthorized");
    case ApiErrorCode::certificatePinFailure:
        return QStringLiteral("certificate_pin_failure");
    case ApiErrorCode::badRequest:
        return QStringLiteral("bad_request");
    case ApiErrorCode::notFound:
        return QStringLiteral("not_found");
    case ApiErrorCode::serverError:
        return QStringLiteral("server_error");
    case ApiErrorCode::cancelled:
        return QStringLiteral("cancelled");
    case ApiErrorCode::internal:
        return QStringLiteral("internal");
    }
    return QStringLiteral("internal");
}

namespace {
ApiError make(ApiErrorCode code, const QString& message, std::optional<QString> detail)
{
    return ApiError{code, message, std::move(detail)};
}
} // namespace

ApiError ApiError::network(const QString& m, std::optional<QString> d)
{
    return make(ApiErrorCode::network, m, std::move(d));
}
ApiError ApiError::timeout(const QString& m, std::optional<QString> d)
{
    return make(ApiErrorCode::timeout, m, std::move(d));
}
ApiError ApiError::unauthorized(const QString& m, std::optional<QString> d)
{
    return make(ApiErrorCode::unauthorized, m, std::move(d));
}
ApiError ApiError::certificatePinFailure(const QString& m, std::optional<QString> d)
{
    return make(ApiErrorCode::certificatePinFailure, m, std::move(d));
}
ApiError ApiError::badRequest(const QString& m, std::optional<QString> d)
{
    return make(ApiErrorCode::badRequest, m, std::move(d));
}
ApiError ApiError::notFound(const QString& m, std::optional<QString> d)
{
    return make(ApiErrorCode::notFound, m, std::move(d));
}
ApiError ApiError::server(const QString& m, std::optional<QString> d)
{
    return make(ApiErrorCode::serverError, m, std::move(d));
}
ApiError ApiError::cancelled(const QString& m, std::optional<QString> d)
{
    return make(ApiErrorCode::cancelled, m, std::move(d));
}
ApiError ApiError::internal(const QString& m, std::optional<QString> d)
{
    return make(ApiErrorCode::internal, m, std::move(d));
}

} // namespace orvela::api
