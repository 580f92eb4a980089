#include "orvela/sim/VirtualReaderBackend.h"

#include "VirtualCardSession.h"
#include "VirtualEventWaiter.h"
#include "orvela/tokenkit/PcscError.h"
#include "orvela/tokenkit/TokenError.h"

namespace orvela::sim {

using tokenkit::PcscError;
using tokenkit::TokenError;

VirtualReaderBackend::VirtualReaderBackend(std::size_t readerCount)
    : m_shared(std::make_shared<Shared>())
{
    for (std::size_t i = 0; i < readerCount; ++i) {
        m_shared->slots.push_back(
            {"Orvela Virtual Reader " + std::to_string(i), nullptr, false, 0});
    }
}

VirtualReaderBackend::~VirtualReaderBackend() = default;

void VirtualReaderBackend::setToken(std::size_t reader, std::shared_ptr<VirtualToken> token)
{
    std::lock_guard lock(m_shared->mutex);
    auto& slot = m_shared->slots.at(reader);
    slot.token = std::move(token);
    if (Shared::holdsCard(slot)) {
        ++slot.insertions;
    }
    ++m_shared->generation;
    m_shared->changed.notify_all();
}

void VirtualReaderBackend::setPresent(std::size_t reader, bool present)
{
    std::lock_guard lock(m_shared->mutex);
    auto& slot = m_shared->slots.at(reader);
    const bool before = Shared::holdsCard(slot);
    if (slot.token) {
        slot.token->setPresent(present);
    }
    if (!before && Shared::holdsCard(slot)) {
        ++slot.insertions;
    }
    ++m_shared->generation;
    m_shared->changed.notify_all();
}

std::vector<std::string> VirtualReaderBackend::listReaders()
{
    std::lock_guard lock(m_shared->mutex);
    std::vector<std::string> names;
    for (const auto& slot : m_shared->slots) {
        names.push_back(slot.name);
    }
    return names;
}

std::unique_ptr<tokenkit::CardSession> VirtualReaderBackend::connect(const std::string& readerName)
{
    std::lock_guard lock(m_shared->mutex);
    for (std::size_t i = 0; i < m_shared->slots.size(); ++i) {
        auto& slot = m_shared->slots[i];
        if (slot.name != readerName) {
            continue;
        }
        if (!Shared::holdsCard(slot)) {
            throw TokenError::cardNotFound();
        }
        if (slot.inSession) {
            throw PcscError(PcscError::sharingViolation, "SCardConnect");
        }
        slot.inSession = true;
        return std::make_unique<VirtualCardSession>(m_shared, i, slot.token, slot.token->atr());
    }
    throw TokenError::cardNotFound();
}

std::unique_ptr<tokenkit::CardEventWaiter> VirtualReaderBackend::makeEventWaiter()
{
    return std::make_unique<VirtualEventWaiter>(m_shared);
}

} // namespace orvela::sim
