#pragma once

#include <QByteArray>
#include <openssl/evp.h>
#include <openssl/x509.h>

namespace orvela::testing {

/// A self-signed P-256 certificate, DER-encoded, made fresh for the test.
inline QByteArray makeCertificateDER()
{
    EVP_PKEY* key = EVP_EC_gen("P-256");
    X509* cert = X509_new();
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), 7);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>("AB12345678"), -1, -1, 0);
    X509_set_issuer_name(cert, name);
    X509_gmtime_adj(X509_getm_notBefore(cert), 0);
    X509_gmtime_adj(X509_getm_notAfter(cert), 86400);
    X509_set_pubkey(cert, key);
    X509_sign(cert, key, EVP_sha256());
    unsigned char* der = nullptr;
    const int length = i2d_X509(cert, &der);
    QByteArray out(reinterpret_cast<const char*>(der), length);
    OPENSSL_free(der);
    X509_free(cert);
    EVP_PKEY_free(key);
    return out;
}

/// PEM text of DER bytes with the given line end.
inline QByteArray toPem(const QByteArray& der, const QByteArray& newline = "\n")
{
    const QByteArray base64 = der.toBase64();
    QByteArray pem = "-----BEGIN CERTIFICATE-----" + newline;
    for (qsizetype at = 0; at < base64.size(); at += 64) {
        pem += base64.mid(at, 64) + newline;
    }
    return pem + "-----END CERTIFICATE-----" + newline;
}

} // namespace orvela::testing
