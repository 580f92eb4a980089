#pragma once

// Attacks on a signed PDF, for the verifier's tests: each takes a genuinely signed file and
// returns what an attacker would hand over. They work on the file's last signature. The three
// families are those of "How To Spoof PDF Signatures" (CCS 2019).

#include <optional>
#include <string>
#include <string_view>

namespace orvela::pades {

enum class Attack {
    // Universal signature forgery: the signature dictionary made meaningless, offsets kept.
    contentsEmpty,    ///< /Contents <>
    contentsNull,     ///< /Contents null
    contentsMissing,  ///< no /Contents
    byteRangeMissing, ///< no /ByteRange
    byteRangeShort,   ///< three numbers
    byteRangeOverlap, ///< the second range starts inside the first
    byteRangeOutside, ///< the second range runs past the end of the file
    byteRangeHuge,    ///< offsets near the largest 64-bit integer
    // Incremental saving: a revision appended after the signed one.
    appendPageContent, ///< the first page gets another content stream
    appendCatalogue,   ///< the catalogue gets an /OpenAction
    appendAnnotation,  ///< the first page gets a text annotation
    // Signature wrapping.
    wrapMovedPart,  ///< the signed tail moved into the gap, /ByteRange pointed at it, and
                    ///< a new revision where it was
    wrapGapObjects, ///< the hex string cut short and a new revision written into the gap
};

/// The attack called `name` ("contents-empty", "append-page-content", "wrap-moved-part", …).
std::optional<Attack> attackNamed(std::string_view name);

/// `signedPdf` after `attack`. Throws PadesError when the file has no signature to attack.
std::string applyAttack(const std::string& signedPdf, Attack attack);

} // namespace orvela::pades
