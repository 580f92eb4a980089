#include "api/APIError.h"

#include "common/LocalizationTables.h"

namespace orvela::api {

APIError APIError::server(int status, const QString& message)
{
    return APIError(Kind::server, status, message);
}

namespace {
QString tableText(const char* key, common::AppLanguage language)
{
    return common::LocalizationTables::builtIn().extraTable(language).value(
        QString::fromLatin1(key));
}
} // namespace

QString APIError::message(common::AppLanguage language) const
{
    switch (m_kind) {
    case Kind::server:
        return QStringLiteral("Сервер алдаа (") + QString::number(m_status) +
               QStringLiteral("): ") + m_serverMessage;
    case Kind::invalidResponse:
        return QStringLiteral("Серверийн хариу буруу байна.");
    case Kind::timeout:
        return QStringLiteral("Хүлээх хугацаа дууслаа.");
    case Kind::replyTooLarge:
        return tableText("Api_Error_ReplyTooLarge", language);
    case Kind::incompleteReply:
        return tableText("Api_Error_IncompleteReply", language);
    case Kind::redirectRefused:
        return tableText("Api_Error_RedirectRefused", language);
    }
    return {};
}

QString errorMessage(const CallError& error, common::AppLanguage language)
{
    if (const auto* api = std::get_if<APIError>(&error)) {
        return api->message(language);
    }
    return std::get<TransportError>(error).message;
}

} // namespace orvela::api
