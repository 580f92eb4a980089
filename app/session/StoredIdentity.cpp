#include "session/StoredIdentity.h"

#include "api/JsonObjectReader.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace orvela::session {

QByteArray StoredIdentity::encode() const
{
    const QJsonObject object{{QStringLiteral("documentNumber"), documentNumber},
                             {QStringLiteral("fullName"), fullName},
                             {QStringLiteral("civilID"), civilId},
                             {QStringLiteral("nationalID"), nationalId},
                             {QStringLiteral("certificateLevel"), certificateLevel},
                             {QStringLiteral("loginAt"), loginAt}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<StoredIdentity> StoredIdentity::decode(const QByteArray& bytes)
{
    api::JsonObjectReader reader(bytes);
    StoredIdentity identity;
    identity.documentNumber = reader.required(QStringLiteral("documentNumber"));
    identity.fullName = reader.required(QStringLiteral("fullName"));
    identity.civilId = reader.required(QStringLiteral("civilID"));
    identity.nationalId = reader.required(QStringLiteral("nationalID"));
    identity.certificateLevel = reader.required(QStringLiteral("certificateLevel"));
    identity.loginAt = reader.required(QStringLiteral("loginAt"));
    return reader.result(std::move(identity));
}

} // namespace orvela::session
