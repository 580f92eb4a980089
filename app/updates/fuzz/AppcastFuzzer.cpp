// An update feed from the network, possibly hostile.
#include "updates/AppcastParser.h"

#include <cstdint>
#include <cstdlib>

using orvela::updates::AppcastParser;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray xml(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto items = AppcastParser::parse(xml, QUrl(QStringLiteral("https://orvela.example/a")));
    if (!items) {
        return 0;
    }
    const auto newest = AppcastParser::newest(*items);
    if (newest.has_value() == items->isEmpty()) {
        std::abort();
    }
    // The update offer rests on the order of versions: it must be a consistent one; and what
    // the parser keeps is what the checks allow.
    for (const auto& item : *items) {
        if (!AppcastParser::isValidVersion(item.version) ||
            item.downloadUrl.host() != QLatin1String("orvela.example")) {
            std::abort();
        }
        if (AppcastParser::compareVersions(item.version, item.version) != 0 ||
            AppcastParser::compareVersions(newest->version, item.version) < 0) {
            std::abort();
        }
    }
    return 0;
}
