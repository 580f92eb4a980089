#include "api/JsonObjectReader.h"

#include <QJsonDocument>
#include <QJsonParseError>

namespace orvela::api {

namespace {

/// How many members the outermost object of `json`, valid JSON text, has as written: each has
/// one colon at that level outside strings. Qt keeps only the last of a repeated key, so a
/// count above the object's size means a key came twice.
qsizetype writtenMembers(const QByteArray& json)
{
    qsizetype members = 0;
    int depth = 0;
    bool inString = false;
    for (qsizetype i = 0; i < json.size(); ++i) {
        const char c = json.at(i);
        if (inString) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                inString = false;
            }
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ']') {
            --depth;
        } else if (c == ':' && depth == 1) {
            ++members;
        }
    }
    return members;
}

} // namespace

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
    } else if (writtenMembers(body) != document.object().size()) {
        // Two readers of one reply must not see two answers ("USER_REFUSED", then "OK").
        fail(QStringLiteral("a key appears more than once"));
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
