#pragma once

#include "signing/PdfSignatureReport.h"
#include "signing/SignatureFields.h"

#include <QByteArrayView>

namespace orvela::signing {

/// A well-formed /ByteRange [0 b c d]: the signed bytes are [0, b) and [c, c + d).
struct SignedRanges {
    qint64 gapStart = 0; ///< b
    qint64 gapEnd = 0;   ///< c
    qint64 tailLength = 0;

    qint64 end() const { return gapEnd + tailLength; }
};

/// Checks that `raw` names exactly four non-negative integers, from 0, in order, apart and
/// within a file of `fileSize` bytes; fills `ranges` when they are.
Problem checkByteRange(const RawSignature& raw, qint64 fileSize, SignedRanges& ranges);

/// Checks that the gap holds "<", hex digits, ">" and nothing else, and that the digits are
/// the very /Contents the signature dictionary holds.
Problem checkGap(QByteArrayView file, const SignedRanges& ranges, const std::string& contents);

/// Whether `signedPart` ends a revision: its last non-blank bytes are the "%%EOF" marker.
bool endsRevision(QByteArrayView signedPart);

/// Whether nothing but blanks follows `from`.
bool onlyBlanksAfter(QByteArrayView file, qint64 from);

} // namespace orvela::signing
