#include "PcscReaderList.h"

#include "PcscCheck.h"

namespace orvela::tokenkit::pcsc {

std::vector<std::string> listReaderNames(SCARDCONTEXT context)
{
    DWORD length = 0;
    LONG rv = SCardListReaders(context, nullptr, nullptr, &length);
    if (rv == SCARD_E_NO_READERS_AVAILABLE) {
        return {};
    }
    check(rv, "SCardListReaders", Step::opening);
    std::string buffer(length, '\0');
    rv = SCardListReaders(context, nullptr, buffer.data(), &length);
    if (rv == SCARD_E_NO_READERS_AVAILABLE) {
        return {};
    }
    check(rv, "SCardListReaders", Step::opening);
    buffer.resize(length);

    // A multi-string: names separated by NUL, the list ended by an empty name.
    std::vector<std::string> names;
    for (std::size_t start = 0; start < buffer.size();) {
        const auto end = buffer.find('\0', start);
        const auto stop = end == std::string::npos ? buffer.size() : end;
        if (stop == start) {
            break;
        }
        names.push_back(buffer.substr(start, stop - start));
        start = stop + 1;
    }
    return names;
}

} // namespace orvela::tokenkit::pcsc
