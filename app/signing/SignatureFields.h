#pragma once

#include <QString>
#include <optional>
#include <string>
#include <vector>

class QPDF;

namespace orvela::signing {

/// A signature dictionary as the file states it, before anything about it is checked.
struct RawSignature {
    QString fieldName;
    bool documentTimestamp = false; ///< /Type /DocTimeStamp or /SubFilter /ETSI.RFC3161
    QString subFilter;
    /// The /ByteRange entries, when it is an array of integers; nullopt when absent or not.
    std::optional<std::vector<long long>> byteRange;
    std::optional<std::string> contents; ///< the /Contents string's bytes, when a string
    QString pdfTime;                     ///< /M, as written
};

/// The signature values of the signed signature fields of `pdf`'s form, in field order, at
/// most `limit` + 1 of them (so a caller sees that there were too many). Throws what qpdf
/// throws on a broken file.
std::vector<RawSignature> readSignatures(QPDF& pdf, std::size_t limit);

} // namespace orvela::signing
