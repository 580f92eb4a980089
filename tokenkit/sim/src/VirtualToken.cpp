#include "orvela/sim/VirtualToken.h"

#include "CommandProcessor.h"
#include "FaultInjector.h"
#include "StateFile.h"
#include "orvela/tokenkit/TransportKey.h"

#include <stdexcept>

namespace orvela::sim {

namespace {

constexpr std::size_t kTransportKeyLength = 16;

CommandProcessor::Config processorConfig(const VirtualToken::Options& options)
{
    CommandProcessor::Config config;
    config.mode = options.mode;
    config.transportKey =
        options.transportKey.empty() ? tokenkit::defaultTransportKey() : options.transportKey;
    if (config.transportKey.size() != kTransportKeyLength) {
        throw std::invalid_argument("virtual token: the transport key must have 16 bytes");
    }
    config.label = options.label;
    return config;
}

} // namespace

struct VirtualToken::State {
    explicit State(const Options& options)
        : mode(options.mode), processor(processorConfig(options), card)
    {
        if (!options.stateFile.empty()) {
            stateFile.emplace(options.stateFile);
            const StateFile::Lock held = stateFile->lock();
            stateFile->load(card);
        }
    }

    /// Takes up what another process saved since this one last read or wrote the file. The
    /// selection is session state, so it is kept when the file still exists.
    void catchUp()
    {
        if (stateFile->changedOnDisk()) {
            const std::uint16_t selected = card.files.current();
            stateFile->load(card);
            card.files.select(selected);
        }
    }

    Mode mode;
    CardState card;
    CommandProcessor processor;
    FaultInjector faults;
    std::optional<StateFile> stateFile;
    bool present = true;
};

VirtualToken::VirtualToken(Options options) : m_state(std::make_unique<State>(options)) {}

VirtualToken::~VirtualToken() = default;

Bytes VirtualToken::atr() const
{
    // Direct convention, T=1, fifteen historical bytes; historical byte 12 (ATR byte 19) tells
    // the mode: 03 FIPS, 02 AES, 01 Triple-DES.
    Bytes atr = tokenkit::hexToBytes("3B 9F 95 81 31 FE 45"
                                     "4F 52 56 45 4C 41 2D 56 54 4B 00 00 00 90 00");
    atr[19] = m_state->mode == Mode::aesFips ? 0x03 : m_state->mode == Mode::aes ? 0x02 : 0x01;
    std::uint8_t check = 0;
    for (std::size_t i = 1; i < atr.size(); ++i) {
        check ^= atr[i];
    }
    atr.push_back(check);
    return atr;
}

Bytes VirtualToken::process(ByteView command)
{
    const FaultInjector::Armed fault = m_state->faults.take();
    if (auto canned = FaultInjector::cannedReply(fault)) {
        return std::move(*canned);
    }
    // The whole read-modify-write of a command happens under the lock, so that processes
    // sharing the file take turns instead of overwriting each other's changes.
    std::optional<StateFile::Lock> held;
    if (m_state->stateFile) {
        held.emplace(m_state->stateFile->lock());
        m_state->catchUp();
    }
    Bytes reply = m_state->processor.process(command, fault.fault == Fault::corruptedMac);
    if (m_state->processor.takeDirty() && m_state->stateFile) {
        m_state->stateFile->save(m_state->card);
    }
    return reply;
}

void VirtualToken::reset()
{
    m_state->processor.reset();
}

void VirtualToken::armFault(Fault fault, std::uint16_t statusWord)
{
    m_state->faults.arm(fault, statusWord);
}

bool VirtualToken::isPresent() const
{
    return m_state->present;
}

void VirtualToken::setPresent(bool present)
{
    m_state->present = present;
}

std::optional<Bytes> VirtualToken::publicKey(std::uint8_t keyId) const
{
    return m_state->card.keys.publicPoint(keyId);
}

std::optional<std::string> VirtualToken::publicKeyPem(std::uint8_t keyId) const
{
    return m_state->card.keys.publicPem(keyId);
}

std::optional<int> VirtualToken::pinTriesLeft(std::uint8_t keyNumber) const
{
    return m_state->card.secrets.triesLeft(keyNumber);
}

} // namespace orvela::sim
