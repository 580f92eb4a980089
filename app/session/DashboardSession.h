#pragma once

#include <QJsonObject>
#include <QString>
#include <optional>

namespace orvela::session {

/// One record of the local activity log: a sign-in ("AUTH") or a document signature ("SIGN").
struct DashboardSession {
    QString id; ///< random UUID, upper case
    QString sessionType;
    QString state;
    QString result;
    QString rpName;
    std::optional<QString> pushText; ///< the signed document's file name; absent for sign-ins
    QString createdAt;               ///< ISO 8601 UTC

    QJsonObject toJson() const;
    /// The record, or nothing when a required key is missing or not a string.
    static std::optional<DashboardSession> fromJson(const QJsonObject& object);

    bool operator==(const DashboardSession&) const = default;
};

} // namespace orvela::session
