#include "certificates/PdfSignatureCheck.h"

namespace orvela::certificates {

namespace {

using signing::Problem;
using signing::Verdict;

SignatureVerdict signatureVerdict(Verdict verdict)
{
    switch (verdict) {
    case Verdict::valid:
        return SignatureVerdict::valid;
    case Verdict::notTrusted:
        return SignatureVerdict::validSignerUntrusted;
    case Verdict::changed:
        return SignatureVerdict::changedAfterSigning;
    case Verdict::invalid:
        break;
    }
    return SignatureVerdict::invalid;
}

InvalidReason invalidReason(Problem problem)
{
    switch (problem) {
    case Problem::none:
        return InvalidReason::none;
    case Problem::digestMismatch:
    case Problem::byteRangeOutsideFile:
    case Problem::gapNotSignature:
    case Problem::revisionIncomplete:
    case Problem::timestampMismatch:
        return InvalidReason::contentAltered;
    case Problem::signatureMismatch:
        return InvalidReason::signatureMismatch;
    case Problem::signerNotValidAtSigningTime:
    case Problem::signerKeyUsage:
        return InvalidReason::certificateNotValid;
    case Problem::unsupportedFilter:
    case Problem::weakDigest:
        return InvalidReason::unsupported;
    default:
        break;
    }
    return InvalidReason::malformed;
}

DocumentVerdict documentVerdict(const signing::PdfSignatureReport& report)
{
    switch (report.problem) {
    case Problem::none:
        break;
    case Problem::noSignatures:
        return DocumentVerdict::noSignatures;
    case Problem::fileNotRead:
    case Problem::notPdf:
    case Problem::tooManySignatures:
        return DocumentVerdict::couldNotCheck;
    default:
        return DocumentVerdict::invalid;
    }
    switch (report.verdict) {
    case Verdict::valid:
        return DocumentVerdict::valid;
    case Verdict::notTrusted:
        return DocumentVerdict::validSignerUntrusted;
    case Verdict::changed:
        return DocumentVerdict::changedAfterSigning;
    case Verdict::invalid:
        break;
    }
    return DocumentVerdict::invalid;
}

SignatureRow rowOf(const signing::SignatureEntry& entry)
{
    SignatureRow row;
    row.verdict = signatureVerdict(entry.verdict);
    row.reason = row.verdict == SignatureVerdict::invalid ? invalidReason(entry.problem)
                                                          : InvalidReason::none;
    row.signerName = entry.signer.name;
    row.signerIdentifier = entry.signer.identifier;
    row.claimedTime = entry.claimedTime;
    row.provedTime = entry.provedTime;
    // A later revision that only adds signatures leaves this one covering the document.
    row.coverage = entry.verdict == Verdict::changed || !entry.changes.isEmpty()
                       ? SignatureCoverage::changedAfter
                       : SignatureCoverage::wholeDocument;
    return row;
}

} // namespace

PdfVerification pdfVerificationOf(const signing::PdfSignatureReport& report)
{
    PdfVerification result;
    result.overall = documentVerdict(report);
    for (const signing::SignatureEntry& entry : report.signatures) {
        if (entry.kind == signing::SignatureEntry::Kind::signature) {
            result.rows.append(rowOf(entry));
        }
    }
    return result;
}

PdfVerifier pdfSignatureVerifier(signing::VerifyOptions trust)
{
    return [trust = std::move(trust)](const QString& path) {
        return pdfVerificationOf(signing::verifyPdfFile(path, trust));
    };
}

} // namespace orvela::certificates
