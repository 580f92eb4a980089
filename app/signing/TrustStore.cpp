#include "signing/TrustStore.h"

#include "signing/OpenSslPtr.h"

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509_vfy.h>

namespace orvela::signing {

namespace {

Trust trustOf(int error)
{
    switch (error) {
    case X509_V_OK:
        return Trust::trusted;
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_CERT_UNTRUSTED:
        return Trust::unknownAuthority;
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return Trust::expired;
    default:
        return Trust::broken;
    }
}

} // namespace

TrustStore::TrustStore(bool systemTrust, const QByteArray& pem) : m_store(X509_STORE_new())
{
    if (m_store == nullptr) {
        return;
    }
    if (systemTrust) {
        X509_STORE_set_default_paths(m_store);
    }
    if (pem.isEmpty()) {
        return;
    }
    OpenSslPtr<BIO, BIO_free> bio(BIO_new_mem_buf(pem.constData(), static_cast<int>(pem.size())));
    while (X509* cert = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr)) {
        X509_STORE_add_cert(m_store, cert);
        X509_free(cert);
    }
    // The loop ends on the bundle's end, which OpenSSL queues as an error.
    ERR_clear_error();
}

TrustStore::~TrustStore()
{
    X509_STORE_free(m_store);
}

Trust TrustStore::check(X509* leaf, STACK_OF(X509) * intermediates, const QDateTime& time,
                        int purpose) const
{
    OpenSslPtr<X509_STORE_CTX, X509_STORE_CTX_free> context(X509_STORE_CTX_new());
    if (m_store == nullptr || !context ||
        X509_STORE_CTX_init(context.get(), m_store, leaf, intermediates) != 1) {
        ERR_clear_error();
        return Trust::broken;
    }
    X509_STORE_CTX_set_time(context.get(), 0, time.toSecsSinceEpoch());
    if (purpose != 0) {
        X509_STORE_CTX_set_purpose(context.get(), purpose);
    }
    const int verified = X509_verify_cert(context.get());
    const int error = verified == 1 ? X509_V_OK : X509_STORE_CTX_get_error(context.get());
    ERR_clear_error();
    return trustOf(verified == 1 ? X509_V_OK : (error == X509_V_OK ? -1 : error));
}

} // namespace orvela::signing
