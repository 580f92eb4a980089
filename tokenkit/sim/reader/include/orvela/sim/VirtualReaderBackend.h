#pragma once

#include "orvela/sim/VirtualToken.h"
#include "orvela/tokenkit/ReaderBackend.h"

#include <cstddef>
#include <memory>

namespace orvela::sim {

/// Readers in the process, each optionally holding a VirtualToken: the reader backend of unit
/// tests and of demo mode. Readers are named "Orvela Virtual Reader 0", "… 1", and so on. A
/// card counts as inserted while a token is set and present; sessions on it behave like PC/SC
/// ones: exclusive, closed by destruction (which resets the token), and a removed card fails
/// the next transmit with the PcscError a real removal gives. Thread-safe.
class VirtualReaderBackend final : public tokenkit::ReaderBackend {
public:
    explicit VirtualReaderBackend(std::size_t readerCount = 1);
    ~VirtualReaderBackend() override;

    /// Puts a token into a reader (nullptr empties it). Watchers see the change.
    void setToken(std::size_t reader, std::shared_ptr<VirtualToken> token);
    /// Inserts or removes the reader's token without taking it away (VirtualToken::setPresent),
    /// and wakes the watchers. Calling setPresent on the token directly works for sessions,
    /// but watchers only notice at their next wake-up.
    void setPresent(std::size_t reader, bool present);

    std::vector<std::string> listReaders() override;
    std::unique_ptr<tokenkit::CardSession> connect(const std::string& readerName) override;
    std::unique_ptr<tokenkit::CardEventWaiter> makeEventWaiter() override;

    struct Shared;

private:
    std::shared_ptr<Shared> m_shared;
};

} // namespace orvela::sim
