#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace orvela::api {

/// One of the backend's JSON endpoints; the case decides path, method, query and body.
class Endpoint {
public:
    enum class Case { loginNotify, status, signPdfStart, start };

    static Endpoint loginNotify(const QString& registerNumber);
    static Endpoint status(const QString& sessionId, const QString& pollToken);
    static Endpoint signPdfStart(const QString& signerId, const QString& digestB64,
                                 const QString& fileName);
    static Endpoint start();

    /// The path of the signing upload that brings the signed copy back. It sends a multipart
    /// form rather than JSON, so it is no case of this class: APIClient::upload takes its path.
    static QString signPdfDownloadPath();

    Case kind() const { return m_case; }
    QString path() const;
    /// "GET" for status, "POST" for the others.
    QByteArray method() const;
    /// The query items in the order they are sent; empty except for status.
    QList<QPair<QString, QString>> queryItems() const;
    /// The encoded JSON body, empty for endpoints that send none.
    QByteArray body() const;

private:
    Endpoint(Case kind, QList<QPair<QString, QString>> fields)
        : m_case(kind), m_fields(std::move(fields))
    {}

    Case m_case;
    QList<QPair<QString, QString>> m_fields;
};

} // namespace orvela::api
