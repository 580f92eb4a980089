#include "api/APIError.h"

namespace orvela::api {

APIError APIError::server(int status, const QString& message)
{
    return APIError(Kind::server, status, message);
}

QString APIError::message() const
{
    switch (m_kind) {
    case Kind::server:
        return QStringLiteral("Сервер алдаа (") + QString::number(m_status) +
               QStringLiteral("): ") + m_serverMessage;
    case Kind::invalidResponse:
        return QStringLiteral("Серверийн хариу буруу байна.");
    case Kind::timeout:
        return QStringLiteral("Хүлээх хугацаа дууслаа.");
    }
    return {};
}

QString errorMessage(const CallError& error)
{
    if (const auto* api = std::get_if<APIError>(&error)) {
        return api->message();
    }
    return std::get<TransportError>(error).message;
}

} // namespace orvela::api
