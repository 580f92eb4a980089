#include "PcscCardSession.h"

#include "PcscCheck.h"
#include "orvela/tokenkit/Log.h"
#include "orvela/tokenkit/PcscError.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace orvela::tokenkit::pcsc {

namespace {

// Short APDUs only: 256 data bytes and the status word fit with room to spare.
constexpr DWORD kReplyCapacity = 1024;
// How long the service may take to see a card gone after its last answer came back empty.
constexpr auto kRemovalNoticeTime = std::chrono::milliseconds(1500);
constexpr auto kRemovalPollStep = std::chrono::milliseconds(50);

} // namespace

/// The connection, shared with an exchange in flight: a card that never answers keeps the
/// service's call (and the context's lock) busy, so only the thread of that call can end the
/// session, once the call returns. Whoever lets go of the link last disconnects.
struct PcscCardSession::Link {
    ~Link()
    {
        if (card != 0) {
            SCardDisconnect(card, SCARD_RESET_CARD);
        }
    }

    PcscContext context;
    SCARDHANDLE card = 0;
    DWORD protocol = 0;
    bool stuck = false; ///< an exchange outlived its limit and still runs
};

namespace {

/// One SCardTransmit, run on a thread of its own so that its caller can stop waiting.
struct Exchange {
    Bytes command;
    Bytes reply = Bytes(kReplyCapacity);
    DWORD replyLength = kReplyCapacity;
    LONG rv = SCARD_S_SUCCESS;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
};

void runExchange(SCARDHANDLE card, DWORD protocol, Exchange& exchange)
{
    const SCARD_IO_REQUEST* pci = protocol == SCARD_PROTOCOL_T0 ? SCARD_PCI_T0 : SCARD_PCI_T1;
    const LONG rv = SCardTransmit(card, pci, exchange.command.data(),
                                  static_cast<DWORD>(exchange.command.size()), nullptr,
                                  exchange.reply.data(), &exchange.replyLength);
    std::lock_guard lock(exchange.mutex);
    exchange.rv = rv;
    exchange.done = true;
    exchange.finished.notify_all();
}

} // namespace

PcscCardSession::PcscCardSession(const std::string& readerName,
                                 std::chrono::milliseconds exchangeLimit)
    : m_link(std::make_shared<Link>()), m_exchangeLimit(exchangeLimit)
{
    const LONG rv =
        SCardConnect(m_link->context.handle(), readerName.c_str(), SCARD_SHARE_EXCLUSIVE,
                     SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &m_link->card, &m_link->protocol);
    if (rv != SCARD_S_SUCCESS) {
        m_link->card = 0; // nothing to disconnect
        check(rv, "SCardConnect", Step::opening);
    }
    readAtr();
}

PcscCardSession::~PcscCardSession() = default;

void PcscCardSession::readAtr()
{
    DWORD state = 0;
    DWORD protocol = 0;
    DWORD atrLength = MAX_ATR_SIZE;
    Bytes atr(MAX_ATR_SIZE);
    check(SCardStatus(m_link->card, nullptr, nullptr, &state, &protocol, atr.data(), &atrLength),
          "SCardStatus", Step::opening);
    atr.resize(atrLength);
    m_atr = std::move(atr);
}

Bytes PcscCardSession::transmit(ByteView command)
{
    if (m_link->stuck) {
        throw PcscError(PcscError::timeout, "SCardTransmit");
    }
    auto exchange = std::make_shared<Exchange>();
    exchange->command.assign(command.begin(), command.end());
    std::thread worker(
        [link = m_link, exchange] { runExchange(link->card, link->protocol, *exchange); });
    std::unique_lock lock(exchange->mutex);
    if (!exchange->finished.wait_for(lock, m_exchangeLimit, [&] { return exchange->done; })) {
        lock.unlock();
        // The thread keeps the link, and with it the session, until the service lets go.
        worker.detach();
        m_link->stuck = true;
        Logger("CardReaders")
            .error("SCardTransmit: no answer within " + std::to_string(m_exchangeLimit.count()) +
                   " ms");
        throw PcscError(PcscError::timeout, "SCardTransmit");
    }
    lock.unlock();
    worker.join();
    check(exchange->rv, "SCardTransmit");
    if (exchange->replyLength < 2) {
        failShortReply();
    }
    exchange->reply.resize(exchange->replyLength);
    return std::move(exchange->reply);
}

void PcscCardSession::failShortReply() const
{
    // A card pulled out in the middle of a command leaves the reader driver with an empty
    // answer, which the service passes on as a success; the card's state says what happened.
    const auto deadline = std::chrono::steady_clock::now() + kRemovalNoticeTime;
    do {
        DWORD state = 0;
        const LONG rv =
            SCardStatus(m_link->card, nullptr, nullptr, &state, nullptr, nullptr, nullptr);
        if (rv == SCARD_W_REMOVED_CARD || rv == SCARD_E_NO_SMARTCARD ||
            (rv == SCARD_S_SUCCESS && (state & SCARD_PRESENT) == 0)) {
            throw PcscError(PcscError::removedCard, "SCardTransmit");
        }
        std::this_thread::sleep_for(kRemovalPollStep);
    } while (std::chrono::steady_clock::now() < deadline);
    throw PcscError(PcscError::notTransacted, "SCardTransmit");
}

} // namespace orvela::tokenkit::pcsc
