#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <optional>

namespace orvela::api {

/// Reads string fields out of a JSON object body. Unknown keys are ignored; a body that is not
/// an object, a key given twice in it, a missing required key or a value of the wrong type
/// makes the whole read fail, and `error` says why.
class JsonObjectReader {
public:
    explicit JsonObjectReader(const QByteArray& body);

    /// The value of a key that must be present as a string.
    QString required(const QString& key);
    /// The value of a key that may be absent (or null); any other non-string fails the read.
    std::optional<QString> optional(const QString& key);

    bool ok() const { return m_error.isEmpty(); }
    const QString& error() const { return m_error; }

    /// `value` when every read succeeded; otherwise nothing, with the reason in `why` if given.
    template <class T> std::optional<T> result(T value, QString* why = nullptr) const
    {
        if (!ok()) {
            if (why != nullptr) {
                *why = m_error;
            }
            return std::nullopt;
        }
        return value;
    }

private:
    void fail(const QString& why);

    QJsonObject m_object;
    QString m_error;
};

} // namespace orvela::api
