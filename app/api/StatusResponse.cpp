#include "api/StatusResponse.h"

#include "api/JsonObjectReader.h"

namespace orvela::api {

std::optional<StatusResponse> StatusResponse::decode(const QByteArray& body, QString* why)
{
    JsonObjectReader reader(body);
    StatusResponse reply;
    reply.state = reader.optional(QStringLiteral("state"));
    reply.endResult = reader.optional(QStringLiteral("endResult"));
    reply.documentNumber = reader.optional(QStringLiteral("documentNumber"));
    reply.certificateLevel = reader.optional(QStringLiteral("certificateLevel"));
    reply.name = reader.optional(QStringLiteral("name"));
    reply.idNumber = reader.optional(QStringLiteral("idNumber"));
    reply.error = reader.optional(QStringLiteral("error"));
    return reader.result(std::move(reply), why);
}

} // namespace orvela::api
