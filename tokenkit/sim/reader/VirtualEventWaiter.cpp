#include "VirtualEventWaiter.h"

namespace orvela::sim {

VirtualEventWaiter::VirtualEventWaiter(std::shared_ptr<VirtualReaderBackend::Shared> shared)
    : m_shared(std::move(shared))
{}

std::optional<std::vector<tokenkit::CardEvent>> VirtualEventWaiter::waitForInsertions()
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
    std::vector<tokenkit::CardEvent> events;
    m_insertionsSeen.resize(m_shared->slots.size(), 0);
    for (std::size_t i = 0; i < m_shared->slots.size(); ++i) {
        const auto& slot = m_shared->slots[i];
        if (VirtualReaderBackend::Shared::holdsCard(slot) &&
            slot.insertions != m_insertionsSeen[i]) {
            events.push_back({slot.name, slot.token->atr()});
        }
        m_insertionsSeen[i] = slot.insertions;
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
