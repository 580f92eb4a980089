#pragma once

// Internal to the simulator: the JSON bodies both its server plumbing and its endpoints write.

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

namespace orvela::backendsim {

inline QByteArray json(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

inline QByteArray errorBody(const QString& text)
{
    return json(QJsonObject{{QStringLiteral("error"), text}});
}

} // namespace orvela::backendsim
