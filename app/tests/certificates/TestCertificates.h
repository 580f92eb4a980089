#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>

namespace orvela::testing {

/// What a certificate made for a test carries.
struct CertificateSpec {
    QString subject = QStringLiteral("/C=MN/O=Orvela Test/CN=Бат-Эрдэнэ Болд");
    QDateTime notBefore = QDateTime::currentDateTimeUtc().addDays(-1);
    QDateTime notAfter = QDateTime::currentDateTimeUtc().addDays(365);
    QString keyUsage;         ///< OpenSSL config syntax, for example "digitalSignature"
    QString extendedKeyUsage; ///< for example "serverAuth,clientAuth"
    QString subjectAltName;   ///< for example "DNS:a.mn,IP:192.0.2.1"
    QString basicConstraints; ///< for example "critical,CA:TRUE"
    int rsaBits = 0;          ///< an RSA key of this size instead of an EC one
    QByteArray curve = "P-256";
    long serial = 0x1234ABCD;
};

/// A certificate (DER) with its private key (PEM).
struct IssuedCertificate {
    QByteArray der;
    QByteArray keyPem;
};

/// A certificate signed by `issuer`, or by its own key when `issuer` is empty.
IssuedCertificate issueCertificate(const CertificateSpec& spec,
                                   const IssuedCertificate& issuer = {});

/// A self-signed certificate, DER.
inline QByteArray makeCertificate(const CertificateSpec& spec = {})
{
    return issueCertificate(spec).der;
}

/// Writes `bytes` to `path`; returns the path.
inline QString writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        ADD_FAILURE() << "cannot write " << path.toStdString();
    }
    return path;
}

/// SHA-256 over the certificate's SubjectPublicKeyInfo, computed through i2d_PUBKEY.
QByteArray spkiSha256(const QByteArray& der);

} // namespace orvela::testing
