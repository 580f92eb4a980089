#pragma once

#include <QJsonObject>
#include <QString>
#include <optional>

namespace orvela::session {

/// The signed-in person as the dashboard shows them; built locally from the identity.
struct DashboardUser {
    QString nationalId;
    QString fullName;
    QString kycLevel;
    QString status;
    QString createdAt; ///< member since, ISO 8601 UTC
    std::optional<QString> photo;
    std::optional<QString> civilId;
    std::optional<QString> givenName;
    std::optional<QString> surname;
    std::optional<QString> givenNameEn;
    std::optional<QString> surnameEn;
    std::optional<QString> fullNameLatin;

    /// Absent optional fields are left out.
    QJsonObject toJson() const;

    bool operator==(const DashboardUser&) const = default;
};

/// A device registered to the account (this client has no registry, so the list stays empty).
struct DashboardDevice {
    QString deviceId;
    QString platform;
    QString status;
    std::optional<QString> lastUsedAt;
    QString createdAt;

    QJsonObject toJson() const;

    bool operator==(const DashboardDevice&) const = default;
};

} // namespace orvela::session
