#pragma once

#include "orvela/sim/VirtualReaderBackend.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace orvela::sim {

/// State shared by the backend, its sessions and its waiters, so that either may outlive the
/// other. One mutex guards everything, the tokens' own calls included (they are not
/// thread-safe).
struct VirtualReaderBackend::Shared {
    struct Slot {
        std::string name;
        std::shared_ptr<VirtualToken> token;
        bool inSession = false;
        /// Counts insertions, so that a quick out-and-in between two waits is still seen.
        std::uint64_t insertions = 0;
    };

    std::mutex mutex;
    std::condition_variable changed;
    std::uint64_t generation = 0; ///< bumped on every insertion or removal
    std::vector<Slot> slots;

    /// True when the slot holds a token that is present; callers hold the mutex.
    static bool holdsCard(const Slot& slot) { return slot.token && slot.token->isPresent(); }
};

} // namespace orvela::sim
