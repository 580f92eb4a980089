#include "api/ApiError.h"

#include "common/LocalizationTables.h"

namespace orvela::api {

ApiError ApiError::server(int status, const QString& message)
{
    return ApiError(Kind::server, status, message);
}

namespace {
QString tableText(const char* key, common::AppLanguage language)
{
    return common::builtInText(QString::fromLatin1(key), language);
}
/// The backend's message as shown in `language`: the client's own rate-limit text (which the
/// error-body rule puts in Mongolian) follows the language; the backend's words stay its own.
QString serverText(const QString& serverMessage, common::AppLanguage language)
{
    if (serverMessage == tableText("Api_Error_RateLimited", common::AppLanguage::mn)) {
        return tableText("Api_Error_RateLimited", language);
    }
    return serverMessage;
}
} // namespace

QString ApiError::message(common::AppLanguage language) const
{
    switch (m_kind) {
    case Kind::server:
        return tableText("Api_Error_Server", language) + QStringLiteral(" (") +
               QString::number(m_status) + QStringLiteral("): ") +
               serverText(m_serverMessage, language);
    case Kind::invalidResponse:
        return tableText("Api_Error_InvalidResponse", language);
    case Kind::timeout:
        return tableText("Api_Error_Timeout", language);
    case Kind::replyTooLarge:
        return tableText("Api_Error_ReplyTooLarge", language);
    case Kind::incompleteReply:
        return tableText("Api_Error_IncompleteReply", language);
    case Kind::redirectRefused:
        return tableText("Api_Error_RedirectRefused", language);
    case Kind::malformedReply:
        return tableText("Api_Error_MalformedReply", language);
    case Kind::plainHttpRefused:
        return tableText("Api_Error_PlainHttpPinned", language);
    }
    return {};
}

QString errorMessage(const CallError& error, common::AppLanguage language)
{
    if (const auto* api = std::get_if<ApiError>(&error)) {
        return api->message(language);
    }
    const auto& transport = std::get<TransportError>(error);
    // Qt reports the refusal as a cancelled operation, which names no cause at all.
    if (transport.pinRefused) {
        return tableText("Api_Error_PinRefused", language);
    }
    if (transport.timedOut != TransportError::Wait::none) {
        const char* key = transport.timedOut == TransportError::Wait::idle
                              ? "Api_Error_TimedOut_Idle"
                              : "Api_Error_TimedOut_Exchange";
        // Whole seconds, rounded up, so that a limit below one second never reads as zero.
        return tableText(key, language).arg((transport.limitMs + 999) / 1000);
    }
    return transport.message;
}

} // namespace orvela::api
