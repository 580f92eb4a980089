#include "VirtualEventWaiter.h"

namespace orvela::sim {

VirtualEventWaiter::VirtualEventWaiter(std::shared_ptr<VirtualReaderBackend::Shared> shared)
    : m_shared(std::move(shared))
{}

std::optional<std::vector<tokenkit::CardEvent>> VirtualEventWaiter::waitForCardChanges()
{
    std::unique_lock lock(m_shared->mutex);
    for (;;) {
        m_shared->changed.wait(lock,
                               [this] { return m_cancelled || m_shared->generation != m_seen; });
        if (m_cancelled) {
            return std::nullopt;
        }
        m_seen = m_shared->generation;
        auto events = collect();
        if (!events.empty()) {
            return events;
        }
    }
}

std::vector<tokenkit::CardEvent> VirtualEventWaiter::collect()
{
    using Kind = tokenkit::CardEvent::Kind;
    std::vector<tokenkit::CardEvent> events;
    m_insertionsSeen.resize(m_shared->slots.size(), 0);
    m_presentSeen.resize(m_shared->slots.size(), false);
    for (std::size_t i = 0; i < m_shared->slots.size(); ++i) {
        const auto& slot = m_shared->slots[i];
        const bool present = VirtualReaderBackend::Shared::holdsCard(slot);
        const bool inserted = present && slot.insertions != m_insertionsSeen[i];
        // A card taken out and another put in between two waits is a removal too.
        if (m_presentSeen[i] && (!present || inserted)) {
            events.push_back({slot.name, {}, Kind::removed});
        }
        if (inserted) {
            events.push_back({slot.name, slot.token->atr(), Kind::inserted});
        }
        m_insertionsSeen[i] = slot.insertions;
        m_presentSeen[i] = present;
    }
    return events;
}

void VirtualEventWaiter::cancel()
{
    std::lock_guard lock(m_shared->mutex);
    m_cancelled = true;
    m_shared->changed.notify_all();
}

} // namespace orvela::sim
