#include "api/BackendProbe.h"

#include "api/PinnedSessionDelegate.h"

#include <QLocale>
#include <QNetworkReply>
#include <QSslConfiguration>
#include <QTimeZone>

namespace orvela::api {

namespace {

QString protocolName(QSsl::SslProtocol protocol)
{
    switch (protocol) {
    case QSsl::TlsV1_2:
        return QStringLiteral("TLS 1.2");
    case QSsl::TlsV1_3:
        return QStringLiteral("TLS 1.3");
    default:
        return QStringLiteral("TLS ≤ 1.1");
    }
}

} // namespace

void BackendProbe::readConnection(const QNetworkReply& reply, const PinnedSessionDelegate& pins)
{
    pinningEnabled = pins.pinningEnabled();
    serverDate = parseHttpDate(reply.rawHeader("Date"));
    const QSslConfiguration tls = reply.sslConfiguration();
    const QList<QSslCertificate> chain = tls.peerCertificateChain();
    encrypted = !chain.isEmpty();
    if (!encrypted) {
        return;
    }
    tlsProtocol = protocolName(tls.sessionProtocol());
    leaf = chain.constFirst();
    for (const QSslCertificate& certificate : chain) {
        const auto digest = PinnedSessionDelegate::certificateDigest(certificate);
        chainMatchesPins = chainMatchesPins || (digest && pins.pinnedHashes().contains(*digest));
    }
}

std::optional<QDateTime> parseHttpDate(const QByteArray& text)
{
    // The one form servers send today (RFC 9110's IMF-fixdate); the obsolete forms are not
    // worth a guess in a report.
    QDateTime date = QLocale::c().toDateTime(QString::fromLatin1(text.trimmed()),
                                             QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'"));
    if (!date.isValid()) {
        return std::nullopt;
    }
    date.setTimeZone(QTimeZone::utc());
    return date;
}

} // namespace orvela::api
