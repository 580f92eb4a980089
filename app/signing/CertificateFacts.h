#pragma once

#include "signing/PdfSignatureReport.h"

#include <openssl/x509.h>

namespace orvela::signing {

/// What the report says of a signer's certificate; `validAtSigningTime` is left for the caller.
SignerDetails signerDetails(X509* certificate);

/// Whether the certificate may sign documents: its key usage, when it has one, allows
/// digitalSignature or nonRepudiation.
bool mayHaveSigned(X509* certificate);

/// The digests strong enough for a signature or a timestamp, by OpenSSL NID; null for others.
const EVP_MD* acceptedDigest(int nid);

} // namespace orvela::signing
