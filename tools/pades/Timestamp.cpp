#include "OpenSslSupport.h"

#include <openssl/objects.h>
#include <openssl/pkcs7.h>
#include <openssl/rand.h>
#include <openssl/ts.h>

namespace orvela::pades {
using namespace detail;

namespace {

// An arbitrary policy of the test authority: a token must name one.
constexpr const char* testPolicy = "1.3.6.1.4.1.57264.77.1";

int fixedTime(TS_RESP_CTX*, void* data, long* seconds, long* microseconds)
{
    *seconds = static_cast<long>(*static_cast<const time_t*>(data));
    *microseconds = 0;
    return 1;
}

/// A DER TimeStampReq for the SHA-256 `digest`, asking for the certificate.
std::string request(const std::string& digest)
{
    Owned<TS_REQ, TS_REQ_free> req(check(TS_REQ_new(), "timestamp request"));
    Owned<TS_MSG_IMPRINT, TS_MSG_IMPRINT_free> imprint(check(TS_MSG_IMPRINT_new(), "imprint"));
    Owned<X509_ALGOR, X509_ALGOR_free> algorithm(check(X509_ALGOR_new(), "algorithm"));
    X509_ALGOR_set_md(algorithm.get(), EVP_sha256());
    check(TS_MSG_IMPRINT_set_algo(imprint.get(), algorithm.get()), "imprint algorithm");
    check(TS_MSG_IMPRINT_set_msg(imprint.get(),
                                 reinterpret_cast<unsigned char*>(const_cast<char*>(digest.data())),
                                 static_cast<int>(digest.size())),
          "imprint digest");
    check(TS_REQ_set_version(req.get(), 1), "request version");
    check(TS_REQ_set_msg_imprint(req.get(), imprint.get()), "request imprint");
    check(TS_REQ_set_cert_req(req.get(), 1), "request certificate");
    unsigned char nonceBytes[8];
    check(RAND_bytes(nonceBytes, sizeof nonceBytes), "nonce");
    nonceBytes[0] &= 0x7f;
    BIGNUM* nonceNumber = check(BN_bin2bn(nonceBytes, sizeof nonceBytes, nullptr), "nonce");
    ASN1_INTEGER* nonce = BN_to_ASN1_INTEGER(nonceNumber, nullptr);
    BN_free(nonceNumber);
    const int set = TS_REQ_set_nonce(req.get(), nonce);
    ASN1_INTEGER_free(nonce);
    check(set, "request nonce");
    BioPtr bio(BIO_new(BIO_s_mem()));
    check(i2d_TS_REQ_bio(bio.get(), req.get()), "encoding the request");
    return bioBytes(bio.get());
}

} // namespace

std::string timestampToken(const Credential& timestamper, const std::string& digest,
                           std::chrono::system_clock::time_point time)
{
    if (digest.size() != 32) {
        throw PadesError("a timestamp needs a SHA-256 digest");
    }
    Owned<TS_RESP_CTX, TS_RESP_CTX_free> context(check(TS_RESP_CTX_new(), "timestamp context"));
    TS_RESP_CTX* ctx = context.get();
    check(TS_RESP_CTX_set_signer_cert(ctx, timestamper.certificate.get()), "timestamp signer");
    check(TS_RESP_CTX_set_signer_key(ctx, timestamper.key.get()), "timestamp key");
    Owned<ASN1_OBJECT, ASN1_OBJECT_free> policy(check(OBJ_txt2obj(testPolicy, 1), "policy"));
    check(TS_RESP_CTX_set_def_policy(ctx, policy.get()), "timestamp policy");
    check(TS_RESP_CTX_add_md(ctx, EVP_sha256()), "timestamp digest");
    check(TS_RESP_CTX_set_signer_digest(ctx, EVP_sha256()), "timestamp signature digest");
    check(TS_RESP_CTX_set_ess_cert_id_digest(ctx, EVP_sha256()), "timestamp certificate id");
    time_t seconds = std::chrono::system_clock::to_time_t(time);
    TS_RESP_CTX_set_time_cb(ctx, fixedTime, &seconds);

    const std::string der = request(digest);
    BioPtr requestBio(BIO_new_mem_buf(der.data(), static_cast<int>(der.size())));
    Owned<TS_RESP, TS_RESP_free> response(
        check(TS_RESP_create_response(ctx, requestBio.get()), "timestamp response"));
    const ASN1_INTEGER* status =
        TS_STATUS_INFO_get0_status(TS_RESP_get_status_info(response.get()));
    if (ASN1_INTEGER_get(status) != 0) {
        fail("the timestamp authority refused the request");
    }
    PKCS7* token = check(TS_RESP_get_token(response.get()), "timestamp token");
    BioPtr out(BIO_new(BIO_s_mem()));
    check(i2d_PKCS7_bio(out.get(), token), "encoding the token");
    return bioBytes(out.get());
}

} // namespace orvela::pades
