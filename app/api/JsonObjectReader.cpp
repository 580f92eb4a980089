#include "api/JsonObjectReader.h"

#include <QJsonDocument>
#include <QJsonParseError>

namespace orvela::api {

JsonObjectReader::JsonObjectReader(const QByteArray& body)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        fail(QStringLiteral("malformed JSON at offset %1: %2")
                 .arg(parseError.offset)
                 .arg(parseError.errorString()));
    } else if (!document.isObject()) {
        fail(QStringLiteral("expected a JSON object"));
    } else {
        m_object = document.object();
    }
}

QString JsonObjectReader::required(const QString& key)
{
    const QJsonValue value = m_object.value(key);
    if (value.isUndefined() || value.isNull()) {
        fail(QStringLiteral("key not found: \"%1\"").arg(key));
        return {};
    }
    if (!value.isString()) {
        fail(QStringLiteral("type mismatch for \"%1\": expected a string").arg(key));
        return {};
    }
    return value.toString();
}

std::optional<QString> JsonObjectReader::optional(const QString& key)
{
    const QJsonValue value = m_object.value(key);
    if (value.isUndefined() || value.isNull()) {
        return std::nullopt;
    }
    if (!value.isString()) {
        fail(QStringLiteral("type mismatch for \"%1\": expected a string").arg(key));
        return std::nullopt;
    }
    return value.toString();
}

void JsonObjectReader::fail(const QString& why)
{
    if (m_error.isEmpty()) {
        m_error = why;
    }
}

} // namespace orvela::api
