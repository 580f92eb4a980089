#include "session/DashboardUser.h"

namespace orvela::session {

namespace {

void insertIfPresent(QJsonObject& object, const QString& key, const std::optional<QString>& value)
{
    if (value) {
        object.insert(key, *value);
    }
}

} // namespace

QJsonObject DashboardUser::toJson() const
{
    QJsonObject object{{QStringLiteral("nationalId"), nationalId},
                       {QStringLiteral("fullName"), fullName},
                       {QStringLiteral("kycLevel"), kycLevel},
                       {QStringLiteral("status"), status},
                       {QStringLiteral("createdAt"), createdAt}};
    insertIfPresent(object, QStringLiteral("photo"), photo);
    insertIfPresent(object, QStringLiteral("civilId"), civilId);
    insertIfPresent(object, QStringLiteral("givenName"), givenName);
    insertIfPresent(object, QStringLiteral("surname"), surname);
    insertIfPresent(object, QStringLiteral("givenNameEn"), givenNameEn);
    insertIfPresent(object, QStringLiteral("surnameEn"), surnameEn);
    insertIfPresent(object, QStringLiteral("fullNameLatin"), fullNameLatin);
    return object;
}

QJsonObject DashboardDevice::toJson() const
{
    QJsonObject object{{QStringLiteral("deviceId"), deviceId},
                       {QStringLiteral("platform"), platform},
                       {QStringLiteral("status"), status},
                       {QStringLiteral("createdAt"), createdAt}};
    insertIfPresent(object, QStringLiteral("lastUsedAt"), lastUsedAt);
    return object;
}

} // namespace orvela::session
