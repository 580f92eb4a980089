#include "signing/CertificateFacts.h"
#include "signing/CmsChecks.h"
#include "signing/OpenSslPtr.h"
#include "signing/TrustStore.h"

#include <openssl/cms.h>
#include <openssl/err.h>
#include <openssl/evp.h>

namespace orvela::signing {

namespace {

using CmsPtr = OpenSslPtr<CMS_ContentInfo, CMS_ContentInfo_free>;

std::string bytesOf(const ASN1_STRING* value)
{
    return {reinterpret_cast<const char*>(ASN1_STRING_get0_data(value)),
            static_cast<std::size_t>(ASN1_STRING_length(value))};
}

std::optional<QDateTime> signingTimeOf(CMS_SignerInfo* signer)
{
    const int index = CMS_signed_get_attr_by_NID(signer, NID_pkcs9_signingTime, -1);
    if (index < 0) {
        return std::nullopt;
    }
    const ASN1_TYPE* value = X509_ATTRIBUTE_get0_type(CMS_signed_get_attr(signer, index), 0);
    if (value == nullptr ||
        (value->type != V_ASN1_UTCTIME && value->type != V_ASN1_GENERALIZEDTIME)) {
        return std::nullopt;
    }
    const QDateTime time = fromAsn1Time(value->value.utctime);
    return time.isValid() ? std::optional(time) : std::nullopt;
}

/// The DER of the signature timestamp attribute, when there is exactly one of it.
std::optional<std::string> timestampAttribute(CMS_SignerInfo* signer)
{
    const int index = CMS_unsigned_get_attr_by_NID(signer, NID_id_smime_aa_timeStampToken, -1);
    if (index < 0) {
        return std::nullopt;
    }
    const ASN1_TYPE* value = X509_ATTRIBUTE_get0_type(CMS_unsigned_get_attr(signer, index), 0);
    if (value == nullptr || value->type != V_ASN1_SEQUENCE) {
        return std::string();
    }
    return bytesOf(value->value.sequence);
}

/// The checks of the signature value itself, in the order a forgery fails them.
Problem checkSignerInfo(CMS_SignerInfo* signer, X509* certificate, QByteArrayView file,
                        const SignedRanges& ranges)
{
    X509_ALGOR* digestAlgorithm = nullptr;
    CMS_SignerInfo_get0_algs(signer, nullptr, nullptr, &digestAlgorithm, nullptr);
    const EVP_MD* md = acceptedDigest(OBJ_obj2nid(digestAlgorithm->algorithm));
    if (md == nullptr) {
        return Problem::weakDigest;
    }
    const auto* messageDigest = static_cast<const ASN1_OCTET_STRING*>(CMS_signed_get0_data_by_OBJ(
        signer, OBJ_nid2obj(NID_pkcs9_messageDigest), -3, V_ASN1_OCTET_STRING));
    if (messageDigest == nullptr) {
        return Problem::signatureUnreadable;
    }
    if (bytesOf(messageDigest) != digestOfRanges(md, file, ranges)) {
        return Problem::digestMismatch;
    }
    if (certificate == nullptr) {
        return Problem::signerMissing;
    }
    if (CMS_SignerInfo_verify(signer) != 1) {
        return Problem::signatureMismatch;
    }
    return mayHaveSigned(certificate) ? Problem::none : Problem::signerKeyUsage;
}

void addTimestamp(CmsFindings& found, CMS_SignerInfo* signer, const TrustStore& trust)
{
    const auto token = timestampAttribute(signer);
    if (!token) {
        return;
    }
    const std::string signature = bytesOf(CMS_SignerInfo_get0_signature(signer));
    const auto* der = reinterpret_cast<const unsigned char*>(token->data());
    const TokenFindings stamp = checkTimestampToken(
        der, static_cast<long>(token->size()),
        [&](const EVP_MD* md) {
            unsigned char digest[EVP_MAX_MD_SIZE];
            unsigned int size = 0;
            EVP_Digest(signature.data(), signature.size(), digest, &size, md, nullptr);
            return std::string(reinterpret_cast<const char*>(digest), size);
        },
        trust);
    if (stamp.problem != Problem::none) {
        found.problem = Problem::timestampMismatch;
    } else if (stamp.trust == Trust::trusted) {
        found.provedTime = stamp.time;
        found.timestampAuthority = stamp.authority;
    }
}

} // namespace

std::string digestOfRanges(const EVP_MD* md, QByteArrayView file, const SignedRanges& ranges)
{
    OpenSslPtr<EVP_MD_CTX, EVP_MD_CTX_free> context(EVP_MD_CTX_new());
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (!context || EVP_DigestInit_ex(context.get(), md, nullptr) != 1 ||
        EVP_DigestUpdate(context.get(), file.data(), static_cast<std::size_t>(ranges.gapStart)) !=
            1 ||
        EVP_DigestUpdate(context.get(), file.data() + ranges.gapEnd,
                         static_cast<std::size_t>(ranges.tailLength)) != 1 ||
        EVP_DigestFinal_ex(context.get(), digest, &size) != 1) {
        return {};
    }
    return {reinterpret_cast<const char*>(digest), size};
}

CmsFindings checkCmsSignature(const std::string& der, QByteArrayView file,
                              const SignedRanges& ranges, const TrustStore& trust,
                              const QDateTime& now)
{
    CmsFindings found;
    const auto* data = reinterpret_cast<const unsigned char*>(der.data());
    CmsPtr cms(d2i_CMS_ContentInfo(nullptr, &data, static_cast<long>(der.size())));
    if (!cms || OBJ_obj2nid(CMS_get0_type(cms.get())) != NID_pkcs7_signed ||
        sk_CMS_SignerInfo_num(CMS_get0_SignerInfos(cms.get())) != 1) {
        ERR_clear_error();
        found.problem = Problem::signatureUnreadable;
        return found;
    }
    CMS_SignerInfo* signer = sk_CMS_SignerInfo_value(CMS_get0_SignerInfos(cms.get()), 0);
    CMS_set1_signers_certs(cms.get(), nullptr, 0);
    X509* certificate = nullptr;
    CMS_SignerInfo_get0_algs(signer, nullptr, &certificate, nullptr, nullptr);
    found.problem = checkSignerInfo(signer, certificate, file, ranges);
    found.claimedTime = signingTimeOf(signer);
    if (certificate != nullptr) {
        found.signer = signerDetails(certificate);
    }
    if (found.problem == Problem::none) {
        addTimestamp(found, signer, trust);
    }
    if (found.problem == Problem::none) {
        CertificatesPtr certs(CMS_get1_certs(cms.get()));
        found.trust = trust.check(certificate, certs.get(), found.provedTime.value_or(now));
    }
    ERR_clear_error();
    return found;
}

CmsFindings checkDocumentTimestamp(const std::string& der, QByteArrayView file,
                                   const SignedRanges& ranges, const TrustStore& trust)
{
    const TokenFindings stamp = checkTimestampToken(
        reinterpret_cast<const unsigned char*>(der.data()), static_cast<long>(der.size()),
        [&](const EVP_MD* md) { return digestOfRanges(md, file, ranges); }, trust);
    CmsFindings found;
    found.problem = stamp.problem;
    found.signer = stamp.signer;
    found.trust = stamp.trust;
    if (stamp.problem == Problem::none) {
        found.claimedTime = stamp.time;
        if (stamp.trust == Trust::trusted) {
            found.provedTime = stamp.time;
            found.timestampAuthority = stamp.authority;
        }
    }
    return found;
}

} // namespace orvela::signing
