#pragma once

#include "CardState.h"
#include "SecureChannel.h"
#include "orvela/sim/VirtualToken.h"

#include <set>
#include <utility>

namespace orvela::sim {

/// The card's command dispatcher: removes and adds the channel's protection, applies the
/// access rules and runs each instruction against the card state.
class CommandProcessor {
public:
    struct Config {
        VirtualToken::Mode mode = VirtualToken::Mode::aes;
        Bytes transportKey; ///< 16 bytes, the key of a token without installed transport keys
        std::string label;
    };

    CommandProcessor(Config config, CardState& state);

    /// One command APDU in, one response APDU out.
    Bytes process(ByteView apdu, bool corruptMac);

    /// End of the card session: no channel, no verified PIN, the applet selected again.
    void reset();

    /// True once after each change of the state that survives a power cycle.
    bool takeDirty() noexcept { return std::exchange(m_dirty, false); }

    /// The answer to the mode probe (GET DATA 0186), without status.
    static Bytes modeProbeData(VirtualToken::Mode mode);

private:
    CardReply dispatch(const CardCommand& command);
    CardReply select(const CardCommand& command);
    CardReply readBinary(const CardCommand& command) const;
    CardReply updateBinary(const CardCommand& command);
    CardReply getData(const CardCommand& command) const;
    CardReply getChallenge(const CardCommand& command) const;
    CardReply initializeUpdate(const CardCommand& command);
    CardReply verify(const CardCommand& command);
    CardReply eraseCard(const CardCommand& command);
    CardReply installSecretKey(const CardCommand& command);
    CardReply createFile(const CardCommand& command);
    CardReply generateKeyPair(const CardCommand& command);
    CardReply sign(const CardCommand& command) const;
    CardReply labelRead(std::size_t length) const;
    std::size_t replyLimit(const CardCommand& command) const;
    CardReply changed(CardReply reply);

    Config m_config;
    CardState& m_state;
    SecureChannel m_channel;
    bool m_appletSelected = true;
    std::set<std::uint8_t> m_verified;
    bool m_dirty = false;
};

} // namespace orvela::sim
