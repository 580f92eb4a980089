#include "signing/CertificateFacts.h"

#include "signing/OpenSslPtr.h"

#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/x509v3.h>

namespace orvela::signing {

namespace {

QString entryText(const X509_NAME* name, int nid)
{
    const int index = X509_NAME_get_index_by_NID(name, nid, -1);
    if (index < 0) {
        return {};
    }
    unsigned char* utf8 = nullptr;
    const int size =
        ASN1_STRING_to_UTF8(&utf8, X509_NAME_ENTRY_get_data(X509_NAME_get_entry(name, index)));
    if (size < 0) {
        return {};
    }
    QString text = QString::fromUtf8(reinterpret_cast<const char*>(utf8), size);
    OPENSSL_free(utf8);
    return text;
}

QString oneLine(const X509_NAME* name)
{
    OpenSslPtr<BIO, BIO_free> bio(BIO_new(BIO_s_mem()));
    if (!bio ||
        X509_NAME_print_ex(bio.get(), name, 0, XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB) < 0) {
        return {};
    }
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return QString::fromUtf8(data, static_cast<qsizetype>(size));
}

QStringList keyUsageNames(X509* certificate)
{
    if ((X509_get_extension_flags(certificate) & EXFLAG_KUSAGE) == 0) {
        return {};
    }
    static const std::pair<uint32_t, const char*> bits[] = {
        {KU_DIGITAL_SIGNATURE, "digitalSignature"},
        {KU_NON_REPUDIATION, "nonRepudiation"},
        {KU_KEY_ENCIPHERMENT, "keyEncipherment"},
        {KU_DATA_ENCIPHERMENT, "dataEncipherment"},
        {KU_KEY_AGREEMENT, "keyAgreement"},
        {KU_KEY_CERT_SIGN, "keyCertSign"},
        {KU_CRL_SIGN, "cRLSign"},
    };
    const uint32_t usage = X509_get_key_usage(certificate);
    QStringList names;
    for (const auto& [bit, name] : bits) {
        if ((usage & bit) != 0) {
            names.append(QString::fromLatin1(name));
        }
    }
    return names;
}

} // namespace

SignerDetails signerDetails(X509* certificate)
{
    SignerDetails details;
    const X509_NAME* subject = X509_get_subject_name(certificate);
    details.name = entryText(subject, NID_commonName);
    details.identifier = entryText(subject, NID_serialNumber);
    details.subject = oneLine(subject);
    details.issuer = oneLine(X509_get_issuer_name(certificate));
    details.notBefore = fromAsn1Time(X509_get0_notBefore(certificate));
    details.notAfter = fromAsn1Time(X509_get0_notAfter(certificate));
    details.keyUsage = keyUsageNames(certificate);
    return details;
}

bool mayHaveSigned(X509* certificate)
{
    if ((X509_get_extension_flags(certificate) & EXFLAG_KUSAGE) == 0) {
        return true;
    }
    return (X509_get_key_usage(certificate) & (KU_DIGITAL_SIGNATURE | KU_NON_REPUDIATION)) != 0;
}

const EVP_MD* acceptedDigest(int nid)
{
    switch (nid) {
    case NID_sha256:
        return EVP_sha256();
    case NID_sha384:
        return EVP_sha384();
    case NID_sha512:
        return EVP_sha512();
    case NID_sha3_256:
        return EVP_sha3_256();
    case NID_sha3_384:
        return EVP_sha3_384();
    case NID_sha3_512:
        return EVP_sha3_512();
    default:
        return nullptr;
    }
}

} // namespace orvela::signing
