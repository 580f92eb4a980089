#include "certificates/X509Fields.h"

#include <QTimeZone>
#include <algorithm>
#include <memory>
#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace orvela::certificates {

namespace {

const QString kDash = QStringLiteral("—");

template <auto Free> struct Deleter {
    template <class T> void operator()(T* p) const noexcept { Free(p); }
};
using X509Ptr = std::unique_ptr<X509, Deleter<X509_free>>;
using BioPtr = std::unique_ptr<BIO, Deleter<BIO_free>>;

QString fromUtf8(const unsigned char* data, int length)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(data), length);
}

QString asn1Text(const ASN1_STRING* value)
{
    unsigned char* utf8 = nullptr;
    const int length = ASN1_STRING_to_UTF8(&utf8, value);
    if (length < 0) {
        return {};
    }
    QString text = fromUtf8(utf8, length);
    OPENSSL_free(utf8);
    return text;
}

QString objectName(const ASN1_OBJECT* object)
{
    const int nid = OBJ_obj2nid(object);
    if (nid != NID_undef) {
        return QString::fromLatin1(OBJ_nid2ln(nid));
    }
    char dotted[128];
    const int length = OBJ_obj2txt(dotted, sizeof dotted, object, 1);
    return length > 0 ? QString::fromLatin1(dotted) : kDash;
}

/// The common name when there is one, else the last (most specific) component.
QString subjectSummary(const X509_NAME* name)
{
    const int cn = X509_NAME_get_index_by_NID(name, NID_commonName, -1);
    int index = cn;
    for (int next = cn; next >= 0; next = X509_NAME_get_index_by_NID(name, NID_commonName, next)) {
        index = next;
    }
    if (index < 0) {
        index = X509_NAME_entry_count(name) - 1;
    }
    if (index < 0) {
        return kDash;
    }
    const QString text = asn1Text(X509_NAME_ENTRY_get_data(X509_NAME_get_entry(name, index)));
    return text.isEmpty() ? kDash : text;
}

/// RFC 2253 order (most specific first), readable UTF-8, comma and space between parts.
QString distinguishedName(const X509_NAME* name)
{
    BioPtr bio(BIO_new(BIO_s_mem()));
    const unsigned long flags =
        (XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB & ~XN_FLAG_SEP_MASK) | XN_FLAG_SEP_CPLUS_SPC;
    if (!bio || X509_NAME_print_ex(bio.get(), name, 0, flags) < 0) {
        return kDash;
    }
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio.get(), &data);
    return length > 0 ? QString::fromUtf8(data, static_cast<qsizetype>(length)) : kDash;
}

/// Whole bytes, as certificate reports show serials ("00" for zero, never "0").
QString serialHex(const ASN1_INTEGER* serial)
{
    BIGNUM* number = ASN1_INTEGER_to_BN(serial, nullptr);
    if (number == nullptr) {
        return kDash;
    }
    QByteArray bytes(std::max(BN_num_bytes(number), 1), '\0');
    BN_bn2binpad(number, reinterpret_cast<unsigned char*>(bytes.data()),
                 static_cast<int>(bytes.size()));
    const QString sign = BN_is_negative(number) ? QStringLiteral("-") : QString();
    BN_free(number);
    return sign + QString::fromLatin1(bytes.toHex().toUpper());
}

QDateTime utcTime(const ASN1_TIME* time)
{
    tm parts{};
    if (time == nullptr || ASN1_TIME_to_tm(time, &parts) != 1) {
        return QDateTime::fromSecsSinceEpoch(0, Qt::UTC);
    }
    return QDateTime(QDate(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday),
                     QTime(parts.tm_hour, parts.tm_min, parts.tm_sec), Qt::UTC);
}

QString hexLower(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes.toHex());
}

QByteArray digest(const EVP_MD* md, const unsigned char* data, std::size_t length)
{
    QByteArray out(EVP_MD_get_size(md), '\0');
    unsigned int written = 0;
    EVP_Digest(data, length, reinterpret_cast<unsigned char*>(out.data()), &written, md, nullptr);
    out.resize(static_cast<qsizetype>(written));
    return out;
}

void readPublicKey(X509* certificate, CertificateInfo& info)
{
    info.publicKeyAlgorithm = kDash;
    EVP_PKEY* key = X509_get0_pubkey(certificate);
    if (key != nullptr) {
        switch (EVP_PKEY_get_base_id(key)) {
        case EVP_PKEY_RSA:
            info.publicKeyAlgorithm = QStringLiteral("RSA");
            break;
        case EVP_PKEY_EC:
            info.publicKeyAlgorithm = QStringLiteral("ECDSA");
            break;
        default:
            if (const char* name = EVP_PKEY_get0_type_name(key)) {
                info.publicKeyAlgorithm = QString::fromLatin1(name);
            }
        }
        info.publicKeyBits = EVP_PKEY_get_bits(key);
    }
    // Over the whole SubjectPublicKeyInfo, as public-key pins are computed, so the value can be
    // copied into a pin set.
    unsigned char* spki = nullptr;
    const int length = i2d_X509_PUBKEY(X509_get_X509_PUBKEY(certificate), &spki);
    if (length > 0) {
        info.spkiSha256Base64 = QString::fromLatin1(
            digest(EVP_sha256(), spki, static_cast<std::size_t>(length)).toBase64());
    }
    OPENSSL_free(spki);
}

QStringList keyUsages(X509* certificate)
{
    static const std::pair<std::uint32_t, const char*> kNames[] = {
        {KU_DIGITAL_SIGNATURE, "Digital Signature"},
        {KU_NON_REPUDIATION, "Non Repudiation"},
        {KU_KEY_ENCIPHERMENT, "Key Encipherment"},
        {KU_DATA_ENCIPHERMENT, "Data Encipherment"},
        {KU_KEY_AGREEMENT, "Key Agreement"},
        {KU_KEY_CERT_SIGN, "Certificate Sign"},
        {KU_CRL_SIGN, "CRL Sign"},
        {KU_ENCIPHER_ONLY, "Encipher Only"},
        {KU_DECIPHER_ONLY, "Decipher Only"},
    };
    QStringList names;
    if ((X509_get_extension_flags(certificate) & EXFLAG_KUSAGE) == 0) {
        return names;
    }
    const std::uint32_t usage = X509_get_key_usage(certificate);
    for (const auto& [bit, name] : kNames) {
        if (usage & bit) {
            names << QString::fromLatin1(name);
        }
    }
    return names;
}

QStringList extendedKeyUsages(X509* certificate)
{
    QStringList names;
    auto* usages = static_cast<EXTENDED_KEY_USAGE*>(
        X509_get_ext_d2i(certificate, NID_ext_key_usage, nullptr, nullptr));
    for (int i = 0; usages != nullptr && i < sk_ASN1_OBJECT_num(usages); ++i) {
        names << objectName(sk_ASN1_OBJECT_value(usages, i));
    }
    EXTENDED_KEY_USAGE_free(usages);
    return names;
}

QString ipAddress(const ASN1_OCTET_STRING* address)
{
    const unsigned char* b = ASN1_STRING_get0_data(address);
    const int length = ASN1_STRING_length(address);
    QStringList parts;
    if (length == 4) {
        for (int i = 0; i < 4; ++i) {
            parts << QString::number(b[i]);
        }
        return parts.join(u'.');
    }
    if (length == 16) {
        for (int i = 0; i < 16; i += 2) {
            parts << QString::number(b[i] << 8 | b[i + 1], 16).toUpper();
        }
        return parts.join(u':');
    }
    return QStringLiteral("<invalid>");
}

QString generalName(const GENERAL_NAME* name)
{
    switch (name->type) {
    case GEN_DNS:
        return QStringLiteral("DNS:") + asn1Text(name->d.dNSName);
    case GEN_EMAIL:
        return QStringLiteral("email:") + asn1Text(name->d.rfc822Name);
    case GEN_URI:
        return QStringLiteral("URI:") + asn1Text(name->d.uniformResourceIdentifier);
    case GEN_IPADD:
        return QStringLiteral("IP Address:") + ipAddress(name->d.iPAddress);
    case GEN_DIRNAME:
        return QStringLiteral("DirName:") + distinguishedName(name->d.directoryName);
    case GEN_RID:
        return QStringLiteral("Registered ID:") + objectName(name->d.registeredID);
    case GEN_OTHERNAME:
        return QStringLiteral("othername:") + objectName(name->d.otherName->type_id);
    default:
        return QStringLiteral("other name");
    }
}

QStringList subjectAlternativeNames(X509* certificate)
{
    QStringList names;
    auto* general = static_cast<GENERAL_NAMES*>(
        X509_get_ext_d2i(certificate, NID_subject_alt_name, nullptr, nullptr));
    for (int i = 0; general != nullptr && i < sk_GENERAL_NAME_num(general); ++i) {
        names << generalName(sk_GENERAL_NAME_value(general, i));
    }
    GENERAL_NAMES_free(general);
    return names;
}

QString signatureAlgorithm(const X509* certificate)
{
    const X509_ALGOR* algorithm = nullptr;
    X509_get0_signature(nullptr, &algorithm, certificate);
    const ASN1_OBJECT* object = nullptr;
    X509_ALGOR_get0(&object, nullptr, nullptr, algorithm);
    return object != nullptr ? objectName(object) : kDash;
}

} // namespace

std::optional<CertificateInfo> readX509Fields(const QByteArray& der)
{
    const auto* begin = reinterpret_cast<const unsigned char*>(der.constData());
    const unsigned char* cursor = begin;
    X509Ptr certificate(d2i_X509(nullptr, &cursor, der.size()));
    // Trailing bytes mean this is not one certificate but something that starts like one.
    if (!certificate || cursor != begin + der.size()) {
        return std::nullopt;
    }
    CertificateInfo info;
    info.subject = subjectSummary(X509_get_subject_name(certificate.get()));
    info.issuer = distinguishedName(X509_get_issuer_name(certificate.get()));
    info.serialNumberHex = serialHex(X509_get0_serialNumber(certificate.get()));
    info.notBefore = utcTime(X509_get0_notBefore(certificate.get()));
    info.notAfter = utcTime(X509_get0_notAfter(certificate.get()));
    info.signatureAlgorithm = signatureAlgorithm(certificate.get());
    readPublicKey(certificate.get(), info);
    const auto length = static_cast<std::size_t>(der.size());
    info.thumbprintSha1Hex = hexLower(digest(EVP_sha1(), begin, length));
    info.thumbprintSha256Hex = hexLower(digest(EVP_sha256(), begin, length));
    info.keyUsages = keyUsages(certificate.get());
    info.extendedKeyUsages = extendedKeyUsages(certificate.get());
    info.subjectAlternativeNames = subjectAlternativeNames(certificate.get());
    return info;
}

} // namespace orvela::certificates
