#pragma once

#include "orvela/tokenkit/ReaderBackend.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <vector>
#include <winscard.h>

namespace orvela::tokenkit::pcsc {

/// Blocks in SCardGetStatusChange on every reader plus the plug-and-play pseudo reader, so that
/// a reader plugged in later is watched too and one unplugged is noticed at once. SCardCancel wakes
/// it. When the service is not there it waits a second (cancellably) before trying again, so a
/// restarted pcscd is found.
class PcscEventWaiter final : public CardEventWaiter {
public:
    PcscEventWaiter() = default;
    ~PcscEventWaiter() override;

    std::optional<std::vector<CardEvent>> waitForCardChanges() override;
    void cancel() override;

private:
    struct Reader {
        std::string name;
        DWORD known = SCARD_STATE_UNAWARE;
    };
    enum class Outcome { events, retry, pause, cancelled };

    Outcome waitOnce(std::vector<CardEvent>& events);
    bool ensureContext();
    void refreshReaders(std::vector<CardEvent>& events);
    void reportVanished(std::vector<CardEvent>& events) const;
    void dropContext();
    bool pause();
    bool enterCall();
    bool leaveCall();
    void collect(const std::vector<SCARD_READERSTATE>& states, std::vector<CardEvent>& events);

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_cancelled = false;
    bool m_inCall = false;

    // Touched by the waiting thread only (cancel() reads the context while m_inCall is set).
    std::optional<SCARDCONTEXT> m_context;
    std::vector<Reader> m_readers;
    DWORD m_pnpKnown = SCARD_STATE_UNAWARE;
    bool m_readersStale = true;
};

} // namespace orvela::tokenkit::pcsc
