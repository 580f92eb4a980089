#include "api/ErrorResponse.h"

#include "api/JsonObjectReader.h"
#include "common/LocalizationTables.h"
#include "common/TextRules.h"

namespace orvela::api {

std::optional<ErrorResponse> ErrorResponse::decode(const QByteArray& body)
{
    JsonObjectReader reader(body);
    ErrorResponse reply;
    reply.error = reader.optional(QStringLiteral("error"));
    return reader.result(std::move(reply));
}

namespace {

using common::strictUtf8;

} // namespace

QString ErrorResponse::messageFor(const QByteArray& body)
{
    if (const auto decoded = decode(body);
        decoded && decoded->error && !decoded->error->isEmpty()) {
        if (*decoded->error == QStringLiteral("rate_limited")) {
            return common::builtInText(QStringLiteral("Api_Error_RateLimited"),
                                       common::AppLanguage::mn);
        }
        return *decoded->error;
    }
    if (const auto text = strictUtf8(QByteArrayView(body).first(qMin<qsizetype>(body.size(), 300)));
        text && !text->isEmpty()) {
        return *text;
    }
    return QStringLiteral("Unknown error");
}

} // namespace orvela::api
