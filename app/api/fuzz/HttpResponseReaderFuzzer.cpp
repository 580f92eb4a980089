// The bytes of a signed copy's connection, possibly hostile, through the response reader: fed
// whole and in pieces whose size the first byte picks, the two readings must agree, and
// neither may hold more than its limit.
#include "api/HttpResponseReader.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

using orvela::api::HttpResponseReader;

namespace {

constexpr qint64 kLimit = 4096;

void check(bool holds)
{
    if (!holds) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const qsizetype step = data[0] % 64 + 1;
    const QByteArrayView input(reinterpret_cast<const char*>(data + 1),
                               static_cast<qsizetype>(size - 1));
    HttpResponseReader whole(kLimit);
    HttpResponseReader pieces(kLimit);
    whole.feed(input);
    for (qsizetype at = 0; at < input.size(); at += step) {
        pieces.feed(input.sliced(at, std::min(step, input.size() - at)));
        check(pieces.bodyBytes() <= kLimit);
    }
    whole.end();
    pieces.end();
    check(whole.state() != HttpResponseReader::State::reading);
    check(whole.state() == pieces.state() && whole.failure() == pieces.failure());
    check(whole.headRead() == pieces.headRead() &&
          (!whole.headRead() || whole.status() == pieces.status()));
    const QByteArray body = whole.takeBody();
    check(body == pieces.takeBody() && body.size() <= kLimit);
    // A refused or unfinished response leaves nothing behind.
    check(whole.state() == HttpResponseReader::State::done || body.isEmpty());
    return 0;
}
