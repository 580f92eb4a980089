#include "signing/CertificateFacts.h"
#include "signing/CmsChecks.h"
#include "signing/OpenSslPtr.h"
#include "signing/TrustStore.h"

#include <openssl/cms.h>
#include <openssl/err.h>
#include <openssl/ts.h>
#include <openssl/x509v3.h>

namespace orvela::signing {

namespace {

using CmsPtr = OpenSslPtr<CMS_ContentInfo, CMS_ContentInfo_free>;
using BioPtr = OpenSslPtr<BIO, BIO_free>;

/// The token's TSTInfo once its signature verified with the certificate it carries.
OpenSslPtr<TS_TST_INFO, TS_TST_INFO_free> verifiedInfo(CMS_ContentInfo* cms)
{
    if (OBJ_obj2nid(CMS_get0_type(cms)) != NID_pkcs7_signed ||
        OBJ_obj2nid(CMS_get0_eContentType(cms)) != NID_id_smime_ct_TSTInfo ||
        sk_CMS_SignerInfo_num(CMS_get0_SignerInfos(cms)) != 1) {
        return nullptr;
    }
    BioPtr content(BIO_new(BIO_s_mem()));
    if (CMS_verify(cms, nullptr, nullptr, nullptr, content.get(),
                   CMS_NO_SIGNER_CERT_VERIFY | CMS_BINARY) != 1) {
        return nullptr;
    }
    return OpenSslPtr<TS_TST_INFO, TS_TST_INFO_free>(d2i_TS_TST_INFO_bio(content.get(), nullptr));
}

} // namespace

TokenFindings checkTimestampToken(const unsigned char* der, long size,
                                  const std::function<std::string(const EVP_MD*)>& imprintOf,
                                  const TrustStore& trust)
{
    TokenFindings found;
    CmsPtr cms(d2i_CMS_ContentInfo(nullptr, &der, size));
    const auto info = cms ? verifiedInfo(cms.get()) : nullptr;
    if (!info) {
        ERR_clear_error();
        found.problem = Problem::signatureUnreadable;
        return found;
    }
    const TS_MSG_IMPRINT* imprint = TS_TST_INFO_get_msg_imprint(info.get());
    const X509_ALGOR* algorithm = TS_MSG_IMPRINT_get_algo(const_cast<TS_MSG_IMPRINT*>(imprint));
    const EVP_MD* md = acceptedDigest(OBJ_obj2nid(algorithm->algorithm));
    if (md == nullptr) {
        found.problem = Problem::weakDigest;
        return found;
    }
    const ASN1_OCTET_STRING* stamped = TS_MSG_IMPRINT_get_msg(const_cast<TS_MSG_IMPRINT*>(imprint));
    const std::string expected = imprintOf(md);
    if (static_cast<std::size_t>(ASN1_STRING_length(stamped)) != expected.size() ||
        expected.compare(0, expected.size(),
                         reinterpret_cast<const char*>(ASN1_STRING_get0_data(stamped)),
                         expected.size()) != 0) {
        found.problem = Problem::digestMismatch;
        return found;
    }
    found.time = fromAsn1Time(TS_TST_INFO_get_time(info.get()));
    STACK_OF(X509)* signers = CMS_get0_signers(cms.get());
    X509* authority = sk_X509_num(signers) == 1 ? sk_X509_value(signers, 0) : nullptr;
    if (authority != nullptr) {
        found.signer = signerDetails(authority);
        found.authority = found.signer.name.isEmpty() ? found.signer.subject : found.signer.name;
        CertificatesPtr certs(CMS_get1_certs(cms.get()));
        const bool stampsTime = (X509_get_extended_key_usage(authority) & XKU_TIMESTAMP) != 0;
        found.trust = stampsTime ? trust.check(authority, certs.get(), found.time,
                                               X509_PURPOSE_TIMESTAMP_SIGN)
                                 : Trust::broken;
    }
    sk_X509_free(signers);
    ERR_clear_error();
    return found;
}

} // namespace orvela::signing
