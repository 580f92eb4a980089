#include "CardCommand.h"

namespace orvela::sim {

namespace {

std::size_t expectedLength(std::uint8_t le)
{
    return le == 0 ? 256 : le;
}

} // namespace

std::optional<CardCommand> CardCommand::parse(ByteView apdu)
{
    if (apdu.size() < 4) {
        return std::nullopt;
    }
    CardCommand command;
    command.cla = apdu[0];
    command.ins = apdu[1];
    command.p1 = apdu[2];
    command.p2 = apdu[3];
    if (apdu.size() == 4) {
        return command;
    }
    if (apdu.size() == 5) {
        command.le = expectedLength(apdu[4]);
        return command;
    }
    const std::size_t lc = apdu[4];
    if (apdu.size() != lc + 5 && apdu.size() != lc + 6) {
        return std::nullopt;
    }
    command.data = tokenkit::toBytes(apdu.subspan(5, lc));
    if (apdu.size() == lc + 6) {
        command.le = expectedLength(apdu.back());
    }
    return command;
}

Bytes CardReply::encode() const
{
    Bytes out = data;
    out.push_back(static_cast<std::uint8_t>(sw >> 8));
    out.push_back(static_cast<std::uint8_t>(sw & 0xFF));
    return out;
}

} // namespace orvela::sim
