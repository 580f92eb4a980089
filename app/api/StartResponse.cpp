#include "api/StartResponse.h"

#include "api/JsonObjectReader.h"

namespace orvela::api {

std::optional<StartResponse> StartResponse::decode(const QByteArray& body, QString* why)
{
    JsonObjectReader reader(body);
    StartResponse reply;
    reply.sessionId = reader.required(QStringLiteral("sessionId"));
    reply.qr = reader.required(QStringLiteral("qr"));
    reply.deviceLinkBase = reader.optional(QStringLiteral("deviceLinkBase"));
    reply.vc = reader.optional(QStringLiteral("vc"));
    reply.pollToken = reader.optional(QStringLiteral("pollToken"));
    return reader.result(std::move(reply), why);
}

} // namespace orvela::api
