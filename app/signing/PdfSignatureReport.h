#pragma once

#include "common/LocalInput.h"
#include "signing/ChangeKind.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace orvela::signing {

/// What a signature, or the whole document, amounts to; later cases are worse.
enum class Verdict {
    valid,      ///< intact, covers what it should, signer chained to a trusted authority
    notTrusted, ///< intact, but the signer's authority is not one this computer trusts
    changed,    ///< intact, but later revisions changed the document it signed
    invalid,    ///< broken or forged; `Problem` says why
};

/// Why a signature (or the document) is invalid.
enum class Problem {
    none,
    fileNotRead,          ///< the file could not be read; the report's `input` says why
    notPdf,               ///< not a PDF qpdf can read without repair
    noSignatures,         ///< a PDF without any signature field that holds a signature
    tooManySignatures,    ///< more signatures than a document can sensibly carry
    unsupportedFilter,    ///< a /SubFilter other than the CAdES, PKCS#7 and RFC 3161 ones
    contentsMissing,      ///< /Contents absent, null, empty or not a string
    byteRangeMalformed,   ///< not four non-negative integers from 0, in order, apart
    byteRangeOutsideFile, ///< the ranges reach past the end of the file
    gapNotSignature,      ///< the unsigned gap holds more than the /Contents hex string
    revisionIncomplete,   ///< the signed bytes do not end a complete revision
    signatureUnreadable,  ///< /Contents is no CMS signed data (or timestamp token) we can read
    weakDigest,           ///< a digest weaker than SHA-256
    digestMismatch,       ///< the signed bytes are not those the signature's digest names
    signatureMismatch,    ///< the signature value does not verify with the signer's key
    signerMissing,        ///< no certificate in the signature matches its signer
    signerNotValidAtSigningTime, ///< the signer's certificate had expired or was not yet valid
    signerKeyUsage,              ///< the signer's certificate is not for signatures
    timestampMismatch,           ///< the signature timestamp does not stamp this signature
};

/// Whether the signer's chain reaches an authority this computer trusts.
enum class Trust {
    trusted,
    unknownAuthority, ///< the chain ends at an authority nobody here trusts
    expired,          ///< a certificate of the chain is out of its validity at the time checked
    broken,           ///< the chain is there but does not verify (wrong issuer signature, …)
};

/// The signer as its certificate names it. Texts come from outside: print them inert.
struct SignerDetails {
    QString name;       ///< the subject's common name
    QString identifier; ///< the subject's serialNumber (the register number)
    QString subject;    ///< the whole subject, one line
    QString issuer;     ///< the issuer, one line
    QDateTime notBefore, notAfter;
    bool validAtSigningTime = false;
    QStringList keyUsage; ///< "digitalSignature", "nonRepudiation", …
};

/// One signature field's signature, or one document timestamp.
struct SignatureEntry {
    enum class Kind { signature, documentTimestamp };

    QString fieldName; ///< from the file: print inert
    Kind kind = Kind::signature;
    QString subFilter;
    Verdict verdict = Verdict::invalid;
    Problem problem = Problem::none;
    std::array<qint64, 4> byteRange{};
    bool coversWholeDocument = false;
    QList<Change> changes; ///< what later revisions changed; empty when nothing did
    SignerDetails signer;
    Trust trust = Trust::unknownAuthority;
    /// The time the signer says it signed (signingTime attribute, else /M): a claim only.
    std::optional<QDateTime> claimedTime;
    /// The time an RFC 3161 timestamp proves, with its authority's name; for a document
    /// timestamp, its own time. Set only when the token verified and its authority is trusted.
    std::optional<QDateTime> provedTime;
    QString timestampAuthority;
};

/// The verdict over a whole file.
struct PdfSignatureReport {
    Verdict verdict = Verdict::invalid; ///< the worst of the entries'
    Problem problem = Problem::none;    ///< set when the file as a whole could not be judged
    std::optional<common::LocalInputError> input; ///< with Problem::fileNotRead
    QList<SignatureEntry> signatures;
};

} // namespace orvela::signing
