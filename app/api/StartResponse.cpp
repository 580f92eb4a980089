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
    if (!reader.ok()) {
        if (why != nullptr) {
            *why = reader.error();
        }
        return std::nullopt;
    }
    return reply;
}

} // namespace orvela::api
