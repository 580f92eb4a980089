#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace orvela::testing {

/// What a certificate made for a test carries.
struct CertificateSpec {
    QString subject = QStringLiteral("/C=MN/O=Orvela Test/CN=Бат-Эрдэнэ Болд");
    QDateTime notBefore = QDateTime::currentDateTimeUtc().addDays(-1);
    QDateTime notAfter = QDateTime::currentDateTimeUtc().addDays(365);
    QString keyUsage;         ///< OpenSSL config syntax, for example "digitalSignature"
    QString extendedKeyUsage; ///< for example "serverAuth,clientAuth"
    QString subjectAltName;   ///< for example "DNS:a.mn,IP:192.0.2.1"
    bool rsa = false;         ///< RSA 2048 instead of EC P-256
    long serial = 0x1234ABCD;
};

/// A self-signed certificate, DER.
QByteArray makeCertificate(const CertificateSpec& spec = {});

/// SHA-256 over the certificate's SubjectPublicKeyInfo, computed through i2d_PUBKEY.
QByteArray spkiSha256(const QByteArray& der);

} // namespace orvela::testing
