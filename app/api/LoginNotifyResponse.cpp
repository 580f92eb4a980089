#include "api/LoginNotifyResponse.h"

#include "api/JsonObjectReader.h"

namespace orvela::api {

std::optional<LoginNotifyResponse> LoginNotifyResponse::decode(const QByteArray& body, QString* why)
{
    JsonObjectReader reader(body);
    LoginNotifyResponse reply;
    reply.sessionId = reader.required(QStringLiteral("sessionId"));
    reply.vc = reader.optional(QStringLiteral("vc"));
    reply.pollToken = reader.optional(QStringLiteral("pollToken"));
    return reader.result(std::move(reply), why);
}

} // namespace orvela::api
