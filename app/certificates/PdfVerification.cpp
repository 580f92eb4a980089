#include "certificates/PdfVerification.h"

namespace orvela::certificates {

namespace {

/// How bad a verdict is; a larger number is worse.
int severity(DocumentVerdict verdict)
{
    return static_cast<int>(verdict);
}

DocumentVerdict documentVerdictOf(SignatureVerdict verdict)
{
    switch (verdict) {
    case SignatureVerdict::valid:
        return DocumentVerdict::valid;
    case SignatureVerdict::validSignerUntrusted:
        return DocumentVerdict::validSignerUntrusted;
    case SignatureVerdict::changedAfterSigning:
        return DocumentVerdict::changedAfterSigning;
    case SignatureVerdict::invalid:
        break;
    }
    return DocumentVerdict::invalid;
}

} // namespace

DocumentVerdict shownVerdict(const PdfVerification& result)
{
    if (result.overall == DocumentVerdict::couldNotCheck) {
        return DocumentVerdict::couldNotCheck;
    }
    if (result.rows.isEmpty() != (result.overall == DocumentVerdict::noSignatures)) {
        return DocumentVerdict::couldNotCheck;
    }
    DocumentVerdict worst = result.overall;
    for (const SignatureRow& row : result.rows) {
        const DocumentVerdict verdict = documentVerdictOf(row.verdict);
        if (severity(verdict) > severity(worst)) {
            worst = verdict;
        }
    }
    return worst;
}

PdfVerification uncheckedPdfVerification(const QString&)
{
    return {DocumentVerdict::couldNotCheck, {}};
}

} // namespace orvela::certificates
