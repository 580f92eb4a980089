#pragma once

#include "signing/PdfSignatureReport.h"

#include <QByteArray>
#include <QDateTime>
#include <memory>
#include <openssl/x509.h>

namespace orvela::signing {

/// The authorities a verification trusts: the system's, those of a PEM bundle, or both.
class TrustStore {
public:
    TrustStore(bool systemTrust, const QByteArray& pem);
    ~TrustStore();
    TrustStore(const TrustStore&) = delete;
    TrustStore& operator=(const TrustStore&) = delete;

    /// How far `leaf`'s chain, helped by `intermediates`, is trusted at `time`; `purpose` is
    /// an X509_PURPOSE_* value, or 0 for none.
    Trust check(X509* leaf, STACK_OF(X509) * intermediates, const QDateTime& time,
                int purpose = 0) const;

private:
    X509_STORE* m_store;
};

} // namespace orvela::signing
