#include "TestCertificates.h"

#include <QCryptographicHash>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <stdexcept>

namespace orvela::testing {

namespace {

void require(bool ok, const char* what)
{
    if (!ok) {
        throw std::runtime_error(what);
    }
}

EVP_PKEY* makeKey(const CertificateSpec& spec)
{
    EVP_PKEY* key = spec.rsaBits > 0 ? EVP_RSA_gen(static_cast<unsigned>(spec.rsaBits))
                                     : EVP_EC_gen(spec.curve.constData());
    require(key != nullptr, "key generation");
    return key;
}

X509* readCertificate(const QByteArray& der)
{
    const auto* p = reinterpret_cast<const unsigned char*>(der.constData());
    X509* cert = d2i_X509(nullptr, &p, der.size());
    require(cert != nullptr, "decode");
    return cert;
}

QByteArray keyPem(EVP_PKEY* key)
{
    BIO* bio = BIO_new(BIO_s_mem());
    require(PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr) == 1,
            "key PEM");
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    QByteArray pem(data, static_cast<qsizetype>(length));
    BIO_free(bio);
    return pem;
}

void setName(X509_NAME* name, const QString& slashed)
{
    for (const QString& part : slashed.split(u'/', Qt::SkipEmptyParts)) {
        const auto eq = part.indexOf(u'=');
        const QByteArray field = part.left(eq).toUtf8();
        const QByteArray value = part.mid(eq + 1).toUtf8();
        require(
            X509_NAME_add_entry_by_txt(name, field.constData(), MBSTRING_UTF8,
                                       reinterpret_cast<const unsigned char*>(value.constData()),
                                       static_cast<int>(value.size()), -1, 0) == 1,
            "name entry");
    }
}

void addExtension(X509* cert, X509* issuer, int nid, const QString& value)
{
    if (value.isEmpty()) {
        return;
    }
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.toUtf8().constData());
    require(ext != nullptr && X509_add_ext(cert, ext, -1) == 1, "extension");
    X509_EXTENSION_free(ext);
}

void setTime(ASN1_TIME* field, const QDateTime& when)
{
    require(ASN1_TIME_set(field, static_cast<time_t>(when.toSecsSinceEpoch())) != nullptr, "time");
}

} // namespace

IssuedCertificate issueCertificate(const CertificateSpec& spec, const IssuedCertificate& issuer)
{
    EVP_PKEY* key = makeKey(spec);
    X509* cert = X509_new();
    require(cert != nullptr, "x509");
    X509* issuerCert = issuer.der.isEmpty() ? cert : readCertificate(issuer.der);
    EVP_PKEY* signingKey = key;
    if (!issuer.der.isEmpty()) {
        BIO* bio =
            BIO_new_mem_buf(issuer.keyPem.constData(), static_cast<int>(issuer.keyPem.size()));
        signingKey = PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr);
        BIO_free(bio);
        require(signingKey != nullptr, "issuer key");
    }
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), spec.serial);
    setTime(X509_getm_notBefore(cert), spec.notBefore);
    setTime(X509_getm_notAfter(cert), spec.notAfter);
    setName(X509_get_subject_name(cert), spec.subject);
    if (issuerCert == cert) {
        setName(X509_get_issuer_name(cert), spec.subject);
    } else {
        X509_set_issuer_name(cert, X509_get_subject_name(issuerCert));
    }
    X509_set_pubkey(cert, key);
    addExtension(cert, issuerCert, NID_basic_constraints, spec.basicConstraints);
    addExtension(cert, issuerCert, NID_key_usage, spec.keyUsage);
    addExtension(cert, issuerCert, NID_ext_key_usage, spec.extendedKeyUsage);
    addExtension(cert, issuerCert, NID_subject_alt_name, spec.subjectAltName);
    require(X509_sign(cert, signingKey, EVP_sha256()) > 0, "sign");

    unsigned char* der = nullptr;
    const int length = i2d_X509(cert, &der);
    require(length > 0, "encode");
    IssuedCertificate out{QByteArray(reinterpret_cast<const char*>(der), length), keyPem(key)};
    OPENSSL_free(der);
    if (issuerCert != cert) {
        X509_free(issuerCert);
        EVP_PKEY_free(signingKey);
    }
    X509_free(cert);
    EVP_PKEY_free(key);
    return out;
}

QByteArray spkiSha256(const QByteArray& der)
{
    X509* cert = readCertificate(der);
    unsigned char* spki = nullptr;
    const int length = i2d_PUBKEY(X509_get0_pubkey(cert), &spki);
    QByteArray hash = QCryptographicHash::hash(
        QByteArray(reinterpret_cast<const char*>(spki), length), QCryptographicHash::Sha256);
    OPENSSL_free(spki);
    X509_free(cert);
    return hash;
}

} // namespace orvela::testing
