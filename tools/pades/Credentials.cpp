#include "OpenSslSupport.h"

#include <algorithm>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509v3.h>

namespace orvela::pades {
using namespace detail;

namespace {

std::shared_ptr<EVP_PKEY> newKey(KeyKind kind)
{
    EVP_PKEY* key = kind == KeyKind::rsa2048 ? EVP_RSA_gen(2048) : EVP_EC_gen("P-256");
    return {check(key, "generating a key"), EVP_PKEY_free};
}

void addName(X509_NAME* name, const char* field, const std::string& value)
{
    // A Cyrillic register number cannot be the PrintableString OpenSSL makes of a serialNumber,
    // so any text beyond ASCII goes in as a UTF8String.
    const bool ascii =
        std::all_of(value.begin(), value.end(), [](char c) { return (c & 0x80) == 0; });
    check(X509_NAME_add_entry_by_txt(name, field, ascii ? MBSTRING_UTF8 : V_ASN1_UTF8STRING,
                                     reinterpret_cast<const unsigned char*>(value.c_str()), -1, -1,
                                     0),
          std::string("certificate name ") + field);
}

void addExtension(X509* certificate, X509* issuer, int nid, const char* value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = check(X509V3_EXT_conf_nid(nullptr, &context, nid, value),
                                      std::string("extension ") + value);
    const int added = X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
    check(added, "adding an extension");
}

/// A certificate for `key` named `subject`, valid as asked, with a random serial; not signed.
std::shared_ptr<X509> draft(X509_NAME* subject, EVP_PKEY* key, const Validity& validity)
{
    std::shared_ptr<X509> certificate(check(X509_new(), "new certificate"), X509_free);
    X509* cert = certificate.get();
    check(X509_set_version(cert, 2), "certificate version");
    unsigned char serial[16];
    check(RAND_bytes(serial, sizeof serial), "serial number");
    serial[0] &= 0x7f;
    BIGNUM* number = check(BN_bin2bn(serial, sizeof serial, nullptr), "serial number");
    BN_to_ASN1_INTEGER(number, X509_get_serialNumber(cert));
    BN_free(number);
    time_t start = std::chrono::system_clock::to_time_t(validity.notBefore);
    check(X509_time_adj_ex(X509_getm_notBefore(cert), 0, 0, &start) != nullptr ? 1 : 0,
          "validity start");
    check(X509_time_adj_ex(X509_getm_notAfter(cert), validity.days, 0, &start) != nullptr ? 1 : 0,
          "validity end");
    check(X509_set_subject_name(cert, subject), "subject");
    check(X509_set_pubkey(cert, key), "public key");
    return certificate;
}

Credential issue(const Credential* authority, X509_NAME* subject, KeyKind kind,
                 const Validity& validity, const std::vector<std::pair<int, const char*>>& exts)
{
    Credential result;
    result.key = newKey(kind);
    result.certificate = draft(subject, result.key.get(), validity);
    X509* cert = result.certificate.get();
    X509* issuer = authority != nullptr ? authority->certificate.get() : cert;
    check(X509_set_issuer_name(cert, X509_get_subject_name(issuer)), "issuer");
    addExtension(cert, issuer, NID_subject_key_identifier, "hash");
    addExtension(cert, issuer, NID_authority_key_identifier, "keyid:always");
    for (const auto& [nid, value] : exts) {
        addExtension(cert, issuer, nid, value);
    }
    EVP_PKEY* signingKey = authority != nullptr ? authority->key.get() : result.key.get();
    check(X509_sign(cert, signingKey, EVP_sha256()), "signing the certificate");
    return result;
}

struct NameHolder {
    Owned<X509_NAME, X509_NAME_free> name{check(X509_NAME_new(), "name")};
};

} // namespace

std::string Credential::certificatePem() const
{
    BioPtr bio(BIO_new(BIO_s_mem()));
    check(PEM_write_bio_X509(bio.get(), certificate.get()), "writing a certificate");
    return bioBytes(bio.get());
}

std::string Credential::privateKeyPem() const
{
    BioPtr bio(BIO_new(BIO_s_mem()));
    check(PEM_write_bio_PrivateKey(bio.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr),
          "writing a key");
    return bioBytes(bio.get());
}

Credential Credential::fromPem(const std::string& certificatePem, const std::string& keyPem)
{
    BioPtr certBio(BIO_new_mem_buf(certificatePem.data(), static_cast<int>(certificatePem.size())));
    BioPtr keyBio(BIO_new_mem_buf(keyPem.data(), static_cast<int>(keyPem.size())));
    Credential result;
    result.certificate = {
        check(PEM_read_bio_X509(certBio.get(), nullptr, nullptr, nullptr), "reading a certificate"),
        X509_free};
    if (keyPem.empty()) {
        return result;
    }
    result.key = {
        check(PEM_read_bio_PrivateKey(keyBio.get(), nullptr, nullptr, nullptr), "reading a key"),
        EVP_PKEY_free};
    return result;
}

Credential makeAuthority(const std::string& commonName, KeyKind kind, Validity validity)
{
    NameHolder subject;
    addName(subject.name.get(), "C", "MN");
    addName(subject.name.get(), "O", "Orvela test");
    addName(subject.name.get(), "CN", commonName);
    return issue(nullptr, subject.name.get(), kind, validity,
                 {{NID_basic_constraints, "critical,CA:TRUE"},
                  {NID_key_usage, "critical,keyCertSign,cRLSign"}});
}

Credential issueSigner(const Credential& authority, const std::string& registerNumber,
                       const std::string& name, KeyKind kind, Validity validity)
{
    NameHolder subject;
    addName(subject.name.get(), "C", "MN");
    addName(subject.name.get(), "serialNumber", registerNumber);
    addName(subject.name.get(), "CN", name);
    return issue(&authority, subject.name.get(), kind, validity,
                 {{NID_basic_constraints, "critical,CA:FALSE"},
                  {NID_key_usage, "critical,digitalSignature,nonRepudiation"}});
}

Credential issueTimestamper(const Credential& authority, const std::string& name, Validity validity)
{
    NameHolder subject;
    addName(subject.name.get(), "C", "MN");
    addName(subject.name.get(), "CN", name);
    return issue(&authority, subject.name.get(), KeyKind::ecP256, validity,
                 {{NID_basic_constraints, "critical,CA:FALSE"},
                  {NID_key_usage, "critical,digitalSignature"},
                  {NID_ext_key_usage, "critical,timeStamping"}});
}

} // namespace orvela::pades
