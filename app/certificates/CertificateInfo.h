#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

namespace orvela::certificates {

/// A parsed X.509 certificate as the report shows it.
struct CertificateInfo {
    QString subject;            ///< one-line summary: the common name, else the most specific name
    QString issuer;             ///< the issuer's distinguished name, most specific part first
    QString serialNumberHex;    ///< upper-case hexadecimal
    QDateTime notBefore;        ///< UTC
    QDateTime notAfter;         ///< UTC
    QString signatureAlgorithm; ///< for example "sha256WithRSAEncryption"
    QString publicKeyAlgorithm; ///< "RSA", "ECDSA", another key type's name, or "—"
    qint64 publicKeyBits = 0;
    QString spkiSha256Base64;    ///< SHA-256 of the SubjectPublicKeyInfo DER, standard Base64
    QString thumbprintSha1Hex;   ///< of the whole DER, lower case
    QString thumbprintSha256Hex; ///< of the whole DER, lower case
    QStringList keyUsages;
    QStringList extendedKeyUsages;
    QStringList subjectAlternativeNames; ///< "DNS:…", "email:…", "IP Address:…", "URI:…", …
    QString pemSource;

    bool isValid(const QDateTime& at) const { return at >= notBefore && at <= notAfter; }
    bool isExpired(const QDateTime& at) const { return at > notAfter; }
    bool isNotYetValid(const QDateTime& at) const { return at < notBefore; }
    /// Seconds left until the end of validity; nullopt once it has passed.
    std::optional<double> remainingValidity(const QDateTime& at) const;

    bool operator==(const CertificateInfo&) const = default;
};

} // namespace orvela::certificates
