#include "PcscEventWaiter.h"

#include "PcscCheck.h"
#include "PcscReaderList.h"
#include "orvela/tokenkit/TokenError.h"

#include <algorithm>
#include <chrono>

namespace orvela::tokenkit::pcsc {

namespace {

constexpr const char* kPnpReader = "\\\\?PnP?\\Notification";
constexpr auto kServiceRetry = std::chrono::seconds(1);

DWORD eventCount(DWORD state)
{
    return state >> 16;
}

/// A mute card cannot be talked to, so it counts as no card.
bool holdsCard(DWORD state)
{
    return (state & SCARD_STATE_PRESENT) != 0 && (state & SCARD_STATE_MUTE) == 0;
}

/// The reader itself is gone (unplugged, or dropped by the service).
bool isGone(DWORD state)
{
    return (state & (SCARD_STATE_UNKNOWN | SCARD_STATE_IGNORE)) != 0;
}

CardEvent removal(const std::string& readerName)
{
    return {readerName, {}, CardEvent::Kind::removed};
}

} // namespace

PcscEventWaiter::~PcscEventWaiter()
{
    dropContext();
}

std::optional<std::vector<CardEvent>> PcscEventWaiter::waitForCardChanges()
{
    std::vector<CardEvent> events;
    for (;;) {
        switch (waitOnce(events)) {
        case Outcome::events:
            return events;
        case Outcome::cancelled:
            return std::nullopt;
        case Outcome::pause:
            if (!pause()) {
                return std::nullopt;
            }
            break;
        case Outcome::retry:
            break;
        }
    }
}

PcscEventWaiter::Outcome PcscEventWaiter::waitOnce(std::vector<CardEvent>& events)
{
    if (!ensureContext()) {
        return Outcome::pause;
    }
    if (m_readersStale) {
        try {
            refreshReaders(events);
        } catch (const TokenError&) {
            reportVanished(events);
            dropContext();
            return events.empty() ? Outcome::pause : Outcome::events;
        }
        if (!events.empty()) {
            return Outcome::events; // readers unplugged since the last wait
        }
    }

    std::vector<SCARD_READERSTATE> states(m_readers.size() + 1);
    for (std::size_t i = 0; i < m_readers.size(); ++i) {
        states[i].szReader = m_readers[i].name.c_str();
        states[i].dwCurrentState = m_readers[i].known;
    }
    states.back().szReader = kPnpReader;
    states.back().dwCurrentState = m_pnpKnown;

    if (!enterCall()) {
        return Outcome::cancelled;
    }
    const LONG rv = SCardGetStatusChange(*m_context, INFINITE, states.data(),
                                         static_cast<DWORD>(states.size()));
    if (!leaveCall() || rv == SCARD_E_CANCELLED) {
        return Outcome::cancelled;
    }
    if (isServiceUnavailable(rv) || rv == SCARD_E_INVALID_HANDLE) {
        // Without the service no reader is reachable: every watched one counts as gone.
        reportVanished(events);
        dropContext();
        return events.empty() ? Outcome::pause : Outcome::events;
    }
    if (rv == SCARD_E_UNKNOWN_READER || rv == SCARD_E_READER_UNAVAILABLE) {
        m_readersStale = true;
        return Outcome::retry;
    }
    if (rv == SCARD_E_TIMEOUT) {
        return Outcome::retry;
    }
    check(rv, "SCardGetStatusChange");
    collect(states, events);
    return events.empty() ? Outcome::retry : Outcome::events;
}

void PcscEventWaiter::collect(const std::vector<SCARD_READERSTATE>& states,
                              std::vector<CardEvent>& events)
{
    for (std::size_t i = 0; i < m_readers.size(); ++i) {
        const DWORD now = states[i].dwEventState;
        const DWORD before = m_readers[i].known;
        m_readers[i].known = now & ~static_cast<DWORD>(SCARD_STATE_CHANGED);
        if (isGone(now)) {
            m_readersStale = true;
            if (!isGone(before) && before != SCARD_STATE_UNAWARE) {
                events.push_back(removal(m_readers[i].name));
            }
            continue;
        }
        const bool present = holdsCard(now);
        const bool wasPresent = holdsCard(before);
        // The event counter also catches a card swapped between two waits.
        const bool swapped = wasPresent && present && eventCount(now) != eventCount(before);
        if (wasPresent && (!present || swapped)) {
            events.push_back(removal(m_readers[i].name));
        }
        if (present && (!wasPresent || swapped)) {
            events.push_back({m_readers[i].name,
                              Bytes(states[i].rgbAtr, states[i].rgbAtr + states[i].cbAtr),
                              CardEvent::Kind::inserted});
        }
    }
    const DWORD pnp = states.back().dwEventState;
    if ((pnp & SCARD_STATE_CHANGED) != 0 && m_pnpKnown != SCARD_STATE_UNAWARE) {
        m_readersStale = true;
    }
    m_pnpKnown = pnp & ~static_cast<DWORD>(SCARD_STATE_CHANGED);
}

bool PcscEventWaiter::ensureContext()
{
    if (m_context) {
        return true;
    }
    SCARDCONTEXT context = 0;
    if (SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &context) != SCARD_S_SUCCESS) {
        return false;
    }
    m_context = context;
    m_readersStale = true;
    return true;
}

void PcscEventWaiter::refreshReaders(std::vector<CardEvent>& events)
{
    std::vector<Reader> fresh;
    for (auto& name : listReaderNames(*m_context)) {
        DWORD known = SCARD_STATE_UNAWARE;
        for (const auto& old : m_readers) {
            if (old.name == name) {
                known = old.known;
            }
        }
        fresh.push_back({std::move(name), known});
    }
    for (const auto& old : m_readers) {
        const bool kept = std::any_of(fresh.begin(), fresh.end(), [&](const Reader& reader) {
            return reader.name == old.name;
        });
        // A reader already seen as gone in the last wait was reported there.
        if (!kept && !isGone(old.known) && old.known != SCARD_STATE_UNAWARE) {
            events.push_back(removal(old.name));
        }
    }
    m_readers = std::move(fresh);
    m_readersStale = false;
}

void PcscEventWaiter::reportVanished(std::vector<CardEvent>& events) const
{
    for (const auto& reader : m_readers) {
        if (!isGone(reader.known) && reader.known != SCARD_STATE_UNAWARE) {
            events.push_back(removal(reader.name));
        }
    }
}

void PcscEventWaiter::dropContext()
{
    if (m_context) {
        SCardReleaseContext(*m_context);
        m_context.reset();
    }
    // After a service restart every card counts as new again.
    m_readers.clear();
    m_pnpKnown = SCARD_STATE_UNAWARE;
    m_readersStale = true;
}

bool PcscEventWaiter::pause()
{
    std::unique_lock lock(m_mutex);
    m_wake.wait_for(lock, kServiceRetry, [this] { return m_cancelled; });
    return !m_cancelled;
}

bool PcscEventWaiter::enterCall()
{
    std::lock_guard lock(m_mutex);
    m_inCall = !m_cancelled;
    return m_inCall;
}

bool PcscEventWaiter::leaveCall()
{
    std::lock_guard lock(m_mutex);
    m_inCall = false;
    m_wake.notify_all();
    return !m_cancelled;
}

void PcscEventWaiter::cancel()
{
    std::unique_lock lock(m_mutex);
    m_cancelled = true;
    m_wake.notify_all();
    // SCardCancel only reaches a call already inside the service; the waiting thread may be
    // just about to enter it, so keep cancelling until it has come back out.
    while (m_inCall) {
        SCardCancel(*m_context);
        m_wake.wait_for(lock, std::chrono::milliseconds(20));
    }
}

} // namespace orvela::tokenkit::pcsc
