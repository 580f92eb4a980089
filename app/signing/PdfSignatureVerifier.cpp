#include "signing/PdfSignatureVerifier.h"

#include "signing/ByteRangeCheck.h"
#include "signing/CmsChecks.h"
#include "signing/OpenSslPtr.h"
#include "signing/PdfDate.h"
#include "signing/PdfDocument.h"
#include "signing/TrustStore.h"

namespace orvela::signing {

namespace {

// A document signed by every member of a large board still has far fewer; each one costs a
// parse of its revision, so a hostile file must not be able to ask for thousands.
constexpr std::size_t maxSignatures = 32;
// A CMS with a long chain, a timestamp and revocation data stays well under this.
constexpr std::size_t maxSignatureSize = 1024 * 1024;

bool supported(const RawSignature& raw)
{
    if (raw.documentTimestamp) {
        return raw.subFilter == u"ETSI.RFC3161";
    }
    return raw.subFilter == u"adbe.pkcs7.detached" || raw.subFilter == u"ETSI.CAdES.detached";
}

/// The checks on the file's structure around one signature, before any cryptography.
Problem checkStructure(const RawSignature& raw, QByteArrayView file, SignedRanges& ranges)
{
    if (!supported(raw)) {
        return Problem::unsupportedFilter;
    }
    if (!raw.contents || raw.contents->empty()) {
        return Problem::contentsMissing;
    }
    if (const Problem problem = checkByteRange(raw, file.size(), ranges);
        problem != Problem::none) {
        return problem;
    }
    if (const Problem problem = checkGap(file, ranges, *raw.contents); problem != Problem::none) {
        return problem;
    }
    if (!endsRevision(file.first(ranges.end()))) {
        return Problem::revisionIncomplete;
    }
    return raw.contents->size() > maxSignatureSize ? Problem::signatureUnreadable : Problem::none;
}

bool validAt(const SignerDetails& signer, const QDateTime& time)
{
    return signer.notBefore.isValid() && signer.notAfter.isValid() && signer.notBefore <= time &&
           time <= signer.notAfter;
}

void judgeCoverage(SignatureEntry& entry, QByteArrayView file, const SignedRanges& ranges,
                   PdfDocument& final)
{
    if (onlyBlanksAfter(file, ranges.end())) {
        entry.coversWholeDocument = true;
        return;
    }
    try {
        entry.changes = final.changesSince(file.first(ranges.end()));
    } catch (const std::exception&) {
        entry.problem = Problem::revisionIncomplete;
    }
}

Verdict verdictOf(const SignatureEntry& entry)
{
    if (entry.problem != Problem::none) {
        return Verdict::invalid;
    }
    if (!entry.changes.isEmpty()) {
        return Verdict::changed;
    }
    return entry.trust == Trust::trusted ? Verdict::valid : Verdict::notTrusted;
}

SignatureEntry judge(const RawSignature& raw, QByteArrayView file, PdfDocument& final,
                     const TrustStore& trust, const QDateTime& now)
{
    SignatureEntry entry;
    entry.fieldName = raw.fieldName;
    entry.subFilter = raw.subFilter;
    entry.kind = raw.documentTimestamp ? SignatureEntry::Kind::documentTimestamp
                                       : SignatureEntry::Kind::signature;
    if (raw.byteRange && raw.byteRange->size() == 4) {
        std::copy(raw.byteRange->begin(), raw.byteRange->end(), entry.byteRange.begin());
    }
    SignedRanges ranges;
    entry.problem = checkStructure(raw, file, ranges);
    if (entry.problem == Problem::none) {
        const CmsFindings found = raw.documentTimestamp
                                      ? checkDocumentTimestamp(*raw.contents, file, ranges, trust)
                                      : checkCmsSignature(*raw.contents, file, ranges, trust, now);
        entry.problem = found.problem;
        entry.signer = found.signer;
        entry.trust = found.trust;
        entry.claimedTime = found.claimedTime ? found.claimedTime : parsePdfDate(raw.pdfTime);
        entry.provedTime = found.provedTime;
        entry.timestampAuthority = found.timestampAuthority;
    }
    if (entry.problem == Problem::none && !raw.documentTimestamp) {
        const QDateTime signedAt = entry.provedTime.value_or(entry.claimedTime.value_or(now));
        entry.signer.validAtSigningTime = validAt(entry.signer, signedAt);
        if (!entry.signer.validAtSigningTime) {
            entry.problem = Problem::signerNotValidAtSigningTime;
        }
    }
    if (entry.problem == Problem::none) {
        judgeCoverage(entry, file, ranges, final);
    }
    entry.verdict = verdictOf(entry);
    return entry;
}

PdfSignatureReport failed(Problem problem)
{
    PdfSignatureReport report;
    report.problem = problem;
    return report;
}

} // namespace

PdfSignatureReport verifyPdfFile(const QString& path, const VerifyOptions& options)
{
    common::LocalInput input = common::readLocalFile(path, maxVerifiedPdfSize);
    if (auto* error = std::get_if<common::LocalInputError>(&input)) {
        PdfSignatureReport report = failed(Problem::fileNotRead);
        report.input = *error;
        return report;
    }
    return verifyPdfBytes(std::get<QByteArray>(input), options);
}

PdfSignatureReport verifyPdfBytes(const QByteArray& pdf, const VerifyOptions& options)
{
    const OpenSslThreadRelease release;
    if (pdf.size() > maxVerifiedPdfSize) {
        return failed(Problem::fileNotRead);
    }
    const QDateTime now = options.time.isValid() ? options.time : QDateTime::currentDateTimeUtc();
    const TrustStore trust(options.systemTrust, options.trustPem);
    try {
        PdfDocument final(pdf);
        const std::vector<RawSignature> found = final.signatures(maxSignatures);
        if (found.empty()) {
            return failed(Problem::noSignatures);
        }
        if (found.size() > maxSignatures) {
            return failed(Problem::tooManySignatures);
        }
        PdfSignatureReport report;
        report.verdict = Verdict::valid;
        for (const RawSignature& raw : found) {
            report.signatures.append(judge(raw, pdf, final, trust, now));
            report.verdict = std::max(report.verdict, report.signatures.back().verdict);
        }
        return report;
    } catch (const std::exception&) {
        return failed(Problem::notPdf);
    }
}

} // namespace orvela::signing
