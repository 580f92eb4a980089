#include "signing/ByteRangeCheck.h"

namespace orvela::signing {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

} // namespace

Problem checkByteRange(const RawSignature& raw, qint64 fileSize, SignedRanges& ranges)
{
    if (!raw.byteRange || raw.byteRange->size() != 4) {
        return Problem::byteRangeMalformed;
    }
    const std::vector<long long>& r = *raw.byteRange;
    for (long long value : r) {
        if (value < 0) {
            return Problem::byteRangeMalformed;
        }
        // Checked first, so that no sum below can overflow.
        if (value > fileSize) {
            return Problem::byteRangeOutsideFile;
        }
    }
    // The gap must at least hold "<>", and the second range must start after the first ends.
    if (r[0] != 0 || r[1] < 1 || r[2] < r[1] + 2) {
        return Problem::byteRangeMalformed;
    }
    if (r[3] > fileSize - r[2]) {
        return Problem::byteRangeOutsideFile;
    }
    ranges = {r[1], r[2], r[3]};
    return Problem::none;
}

Problem checkGap(QByteArrayView file, const SignedRanges& ranges, const std::string& contents)
{
    const QByteArrayView gap = file.sliced(ranges.gapStart, ranges.gapEnd - ranges.gapStart);
    if (gap.front() != '<' || gap.back() != '>' || gap.size() % 2 != 0) {
        return Problem::gapNotSignature;
    }
    const qsizetype digits = gap.size() - 2;
    if (static_cast<std::size_t>(digits / 2) != contents.size()) {
        return Problem::gapNotSignature;
    }
    for (qsizetype i = 0; i < digits; i += 2) {
        const int high = hexValue(gap[1 + i]);
        const int low = hexValue(gap[2 + i]);
        if (high < 0 || low < 0 ||
            static_cast<unsigned char>(contents[static_cast<std::size_t>(i / 2)]) !=
                (high << 4 | low)) {
            return Problem::gapNotSignature;
        }
    }
    return Problem::none;
}

bool endsRevision(QByteArrayView signedPart)
{
    qsizetype end = signedPart.size();
    while (end > 0 && isBlank(signedPart[end - 1])) {
        --end;
    }
    return end >= 5 && signedPart.sliced(end - 5, 5) == "%%EOF";
}

bool onlyBlanksAfter(QByteArrayView file, qint64 from)
{
    for (qsizetype i = from; i < file.size(); ++i) {
        if (!isBlank(file[i])) {
            return false;
        }
    }
    return true;
}

} // namespace orvela::signing
