#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace orvela::certificates {

/// What one signature of a PDF is worth.
enum class SignatureVerdict {
    valid,                ///< intact, made by a trusted signer
    validSignerUntrusted, ///< intact, but the signer's certificate leads to no trusted root
    changedAfterSigning,  ///< intact, but the document was added to after this signature
    invalid               ///< broken; `SignatureRow::reason` says how
};

/// Why a signature is invalid.
enum class InvalidReason {
    none,                ///< the signature is not invalid
    contentAltered,      ///< the signed bytes no longer hash to the signed digest
    signatureMismatch,   ///< the signature value does not verify with the signer's key
    certificateNotValid, ///< the signer's certificate was expired or not yet valid then
    unsupported,         ///< a signature kind or algorithm this program does not check
    malformed            ///< the signature's structure cannot be read
};

/// How much of the file a signature covers.
enum class SignatureCoverage {
    wholeDocument, ///< every byte but the signature itself
    changedAfter   ///< the file as it was when signed; more was added afterwards
};

/// One signature of a PDF, as the verification page lists it. Texts are the signer's own
/// (shown as plain text); everything the page words itself is typed.
struct SignatureRow {
    SignatureVerdict verdict = SignatureVerdict::invalid;
    InvalidReason reason = InvalidReason::none;
    QString signerName;       ///< the certificate's common name, or empty
    QString signerIdentifier; ///< the signer's serial number or register number, or empty
    std::optional<QDateTime> claimedTime; ///< the signing time the signer wrote, unproven
    std::optional<QDateTime> provedTime;  ///< the time a timestamp authority attests
    SignatureCoverage coverage = SignatureCoverage::wholeDocument;

    bool operator==(const SignatureRow&) const = default;
};

/// What the document as a whole is worth, from best to worst (shownVerdict relies on the order).
enum class DocumentVerdict {
    valid,                ///< every signature valid and trusted
    validSignerUntrusted, ///< every signature intact, some signer not trusted
    changedAfterSigning,  ///< intact signatures, but the document was changed after one
    invalid,              ///< at least one signature is broken
    noSignatures,         ///< a readable PDF with no signature
    couldNotCheck         ///< the check could not be made (unreadable file, no verifier)
};

/// The result of checking a PDF's signatures, in signing order.
struct PdfVerification {
    DocumentVerdict overall = DocumentVerdict::couldNotCheck;
    QList<SignatureRow> rows;

    bool operator==(const PdfVerification&) const = default;
};

/// The verdict the page shows for `result`: its own, but never better than its worst signature,
/// and "could not check" for a verdict about signatures that lists none (or none for signatures
/// it lists). A verifier's slip must not show a broken document as valid.
DocumentVerdict shownVerdict(const PdfVerification& result);

/// Checks the signatures of the PDF at a path. It runs on a pool thread, may take long, and must
/// not touch interface objects; it reads the file itself, within its own bounds.
using PdfVerifier = std::function<PdfVerification(const QString& path)>;

/// The verifier used until a real one is supplied: it reports every PDF as not checked, never
/// as valid.
PdfVerification uncheckedPdfVerification(const QString& path);

} // namespace orvela::certificates
