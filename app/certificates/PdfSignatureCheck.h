#pragma once

#include "certificates/PdfVerification.h"
#include "signing/PdfSignatureReport.h"
#include "signing/PdfSignatureVerifier.h"

namespace orvela::certificates {

/// The verifier's report as the verification page lists it: the signatures (document
/// timestamps count towards the verdict but have no signer to list), each with its verdict,
/// reason, signer and times.
PdfVerification pdfVerificationOf(const signing::PdfSignatureReport& report);

/// The page's verifier: the signature checker with `trust`.
PdfVerifier pdfSignatureVerifier(signing::VerifyOptions trust);

} // namespace orvela::certificates
