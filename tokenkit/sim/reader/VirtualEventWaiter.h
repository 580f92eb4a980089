#pragma once

#include "VirtualReaderShared.h"

namespace orvela::sim {

/// Waits on the backend's condition variable for insertions and removals.
class VirtualEventWaiter final : public tokenkit::CardEventWaiter {
public:
    explicit VirtualEventWaiter(std::shared_ptr<VirtualReaderBackend::Shared> shared);

    std::optional<std::vector<tokenkit::CardEvent>> waitForCardChanges() override;
    void cancel() override;

private:
    std::vector<tokenkit::CardEvent> collect();

    std::shared_ptr<VirtualReaderBackend::Shared> m_shared;
    bool m_cancelled = false;                    // guarded by the shared mutex
    std::uint64_t m_seen = ~0ull;                // generation last looked at; none at first
    std::vector<std::uint64_t> m_insertionsSeen; // per reader
    std::vector<bool> m_presentSeen;             // per reader
};

} // namespace orvela::sim
