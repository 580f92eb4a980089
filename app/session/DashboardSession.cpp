#include "session/DashboardSession.h"

#include "api/JsonObjectReader.h"

#include <QJsonDocument>

namespace orvela::session {

QJsonObject DashboardSession::toJson() const
{
    QJsonObject object{
        {QStringLiteral("id"), id},         {QStringLiteral("sessionType"), sessionType},
        {QStringLiteral("state"), state},   {QStringLiteral("result"), result},
        {QStringLiteral("rpName"), rpName}, {QStringLiteral("createdAt"), createdAt}};
    if (pushText) {
        object.insert(QStringLiteral("pushText"), *pushText);
    }
    return object;
}

std::optional<DashboardSession> DashboardSession::fromJson(const QJsonObject& object)
{
    api::JsonObjectReader reader(QJsonDocument(object).toJson(QJsonDocument::Compact));
    DashboardSession session;
    session.id = reader.required(QStringLiteral("id"));
    session.sessionType = reader.required(QStringLiteral("sessionType"));
    session.state = reader.required(QStringLiteral("state"));
    session.result = reader.required(QStringLiteral("result"));
    session.rpName = reader.required(QStringLiteral("rpName"));
    session.pushText = reader.optional(QStringLiteral("pushText"));
    session.createdAt = reader.required(QStringLiteral("createdAt"));
    return reader.result(std::move(session));
}

} // namespace orvela::session
