#pragma once

#include "common/AppLanguage.h"
#include "signing/PdfSignatureVerifier.h"

#include <QByteArray>
#include <QString>

namespace orvela::signing {

/// What a signed copy returned by the signing service turned out to be.
enum class CopyVerdict {
    signedAsAsked,       ///< a valid, trusted signature by the person over their own document
    noSignature,         ///< no signature was added
    invalid,             ///< the added signature is broken; `problem` says how
    changedAfterSigning, ///< the signature does not cover the whole copy
    differentDocument,   ///< the copy does not start with the document the person chose
    someoneElse,         ///< signed by another register number than the person's
    notTrusted,          ///< intact and theirs, but issued by an authority not trusted here
};

/// The verdict, with what the words about it need.
struct CopyCheck {
    CopyVerdict verdict = CopyVerdict::noSignature;
    Problem problem = Problem::none; ///< with `invalid`
    QString signerIdentifier;        ///< with `someoneElse`: whose it is (from outside: inert)

    bool passed() const { return verdict == CopyVerdict::signedAsAsked; }
};

/// Checks `copy`, returned for `original`, before anybody calls it signed: its last signature
/// is valid, trusted under `trust`, covers the whole copy, names `registerNumber` as its
/// signer's serialNumber, and the copy's first revision is `original` byte for byte. Runs on any
/// thread; never throws.
CopyCheck checkSignedCopy(const QByteArray& copy, const QByteArray& original,
                          const QString& registerNumber, const VerifyOptions& trust);

/// What is wrong with the copy, one sentence in `language`; empty for a copy that passed.
QString copyCheckText(const CopyCheck& check, common::AppLanguage language);

/// A short code for the activity log and scripts ("OK" for a copy that passed).
QString copyCheckCode(const CopyCheck& check);

} // namespace orvela::signing
