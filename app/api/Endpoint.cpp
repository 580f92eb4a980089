#include "api/Endpoint.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace orvela::api {

Endpoint Endpoint::loginNotify(const QString& registerNumber)
{
    return Endpoint(Case::loginNotify, {{QStringLiteral("register"), registerNumber}});
}

Endpoint Endpoint::status(const QString& sessionId, const QString& pollToken)
{
    return Endpoint(Case::status, {{QStringLiteral("sessionId"), sessionId},
                                   {QStringLiteral("pollToken"), pollToken}});
}

Endpoint Endpoint::signPdfStart(const QString& signerId, const QString& digestB64,
                                const QString& fileName)
{
    return Endpoint(Case::signPdfStart, {{QStringLiteral("etsi"), signerId},
                                         {QStringLiteral("digestB64"), digestB64},
                                         {QStringLiteral("fileName"), fileName},
                                         {QStringLiteral("callbackUrl"), QString()}});
}

Endpoint Endpoint::start()
{
    return Endpoint(Case::start, {});
}

QString Endpoint::signPdfDownloadPath()
{
    return QStringLiteral("/api/sign-pdf-download");
}

QString Endpoint::path() const
{
    switch (m_case) {
    case Case::loginNotify:
        return QStringLiteral("/api/login-notify");
    case Case::status:
        return QStringLiteral("/api/status");
    case Case::signPdfStart:
        return QStringLiteral("/api/sign-pdf-start");
    case Case::start:
        return QStringLiteral("/api/start");
    }
    return {};
}

QByteArray Endpoint::method() const
{
    return m_case == Case::status ? QByteArrayLiteral("GET") : QByteArrayLiteral("POST");
}

QList<QPair<QString, QString>> Endpoint::queryItems() const
{
    return m_case == Case::status ? m_fields : QList<QPair<QString, QString>>{};
}

QByteArray Endpoint::body() const
{
    if (m_case != Case::loginNotify && m_case != Case::signPdfStart) {
        return {};
    }
    QJsonObject object;
    for (const auto& [key, value] : m_fields) {
        object.insert(key, value);
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace orvela::api
