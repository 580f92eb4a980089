#pragma once

#include "orvela/sim/VirtualToken.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace orvela::sim {

/// Connects a VirtualToken to pcscd through the vsmartcard-vpcd reader driver, so that its
/// APDUs travel through the real PC/SC stack. Speaks vpcd's socket protocol as the card side:
/// every message is a 2-byte big-endian length and a payload; a 1-byte payload is a control
/// code (0 power off, 1 power on, 2 reset, 4 send the ATR), anything longer a command APDU.
/// The card counts as inserted while connected, so removal closes the connection.
class VpcdBridge {
public:
    /// What a card under test does with a command: answer it, leave the reader before
    /// answering (it stays out until setPresent(true)), or never answer (until removed or
    /// stopped), as a hung card would.
    enum class Misbehaviour { answer, vanish, stall };

    struct Options {
        std::string host = "127.0.0.1";
        /// 35963 is reader "Virtual PCD 00 00", 35964 "Virtual PCD 00 01".
        std::uint16_t port = 35963;
        /// Runs on the bridge's thread after each command, for example to export state.
        std::function<void(VirtualToken&)> afterCommand;
        /// For tests only: asked before each command; anything but `answer` makes the card
        /// misbehave on it instead of running it.
        std::function<Misbehaviour(ByteView command)> misbehave;
        /// For tests only: the bytes sent instead of the token's answer to a command, if any.
        std::function<std::optional<Bytes>(ByteView command)> cannedReply;
    };

    /// The token is borrowed and used only from the thread that calls run().
    VpcdBridge(VirtualToken& token, Options options);
    ~VpcdBridge();
    VpcdBridge(const VpcdBridge&) = delete;
    VpcdBridge& operator=(const VpcdBridge&) = delete;

    /// Serves vpcd until stop(); reconnects (every half second) while vpcd is not there.
    void run();
    /// Makes run() return. Async-signal-safe, so a SIGTERM handler may call it.
    void stop() noexcept;
    /// Inserts or removes the card (it stays in this object). Callable from any thread.
    void setPresent(bool present) noexcept;
    /// True while connected to vpcd; for tests that wait for the card to be seen.
    bool isConnected() const noexcept { return m_connected.load(); }

private:
    enum class Served { connectionLost, woken };

    int connectToVpcd() const;
    Served serve(int socket);
    bool answer(int socket);
    /// Sleeps until woken for a reason to leave: removal or stop.
    void stallUntilRemoved();
    void wake() noexcept;
    void drainWakeups() noexcept;
    bool shouldServe() const noexcept { return !m_stopping.load() && m_present.load(); }

    VirtualToken& m_token;
    Options m_options;
    int m_wakeFd;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_present{true};
    std::atomic<bool> m_connected{false};
};

} // namespace orvela::sim
