#include "CommandProcessor.h"

#include <openssl/rand.h>
#include <stdexcept>

namespace orvela::sim {

namespace {

constexpr std::uint8_t kIsoClass = 0x00;
constexpr std::uint8_t kProprietaryClass = 0x80;
constexpr std::uint8_t kAuthenticatedClass = 0x84;
constexpr std::size_t kChallengeLength = 8;
constexpr std::size_t kMaxHashLength = 64;
constexpr std::uint8_t kSigningKey = 0x01;

const Bytes& appletAid()
{
    static const Bytes aid = tokenkit::toBytes(std::string_view("entersafe-fips"));
    return aid;
}

Bytes randomBytes(std::size_t count)
{
    Bytes out(count);
    if (RAND_bytes(out.data(), static_cast<int>(count)) != 1) {
        throw std::runtime_error("card random generator failed");
    }
    return out;
}

cardcrypto::Family familyOf(VirtualToken::Mode mode)
{
    return mode == VirtualToken::Mode::des ? cardcrypto::Family::tdes : cardcrypto::Family::aes;
}

std::uint8_t expectedClass(std::uint8_t ins)
{
    switch (ins) {
    case 0x0E: // ERASE CARD
    case 0x50: // INITIALIZE UPDATE
    case 0xE0: // CREATE FILE
    case 0xE3: // INSTALL SECRET KEY
        return kProprietaryClass;
    case 0x82: // EXTERNAL AUTHENTICATE
        return kAuthenticatedClass;
    default:
        return kIsoClass;
    }
}

// VERIFY references: 2 is the user PIN (key 01), as the application uses it; 1 is the SO PIN
// (key 02). Other references name no PIN.
std::optional<std::uint8_t> pinForReference(std::uint8_t reference)
{
    switch (reference) {
    case 0x02:
        return SecretStore::kUserPin;
    case 0x01:
        return SecretStore::kSoPin;
    default:
        return std::nullopt;
    }
}

} // namespace

CommandProcessor::CommandProcessor(Config config, CardState& state)
    : m_config(std::move(config)), m_state(state),
      m_channel(familyOf(m_config.mode), m_config.mode == VirtualToken::Mode::aesFips)
{}

Bytes CommandProcessor::modeProbeData(VirtualToken::Mode mode)
{
    // 80 01 <cipher> leads; a FIPS card ends with 87 01 01 at offset 32.
    Bytes data{0x80, 0x01, static_cast<std::uint8_t>(mode == VirtualToken::Mode::des ? 0x00 : 0x01),
               0x81, 0x1B};
    const Bytes info = tokenkit::toBytes(std::string_view("Orvela virtual token 1.0 ##"));
    tokenkit::append(data, info);
    tokenkit::append(
        data, Bytes{0x87, 0x01, static_cast<std::uint8_t>(mode == VirtualToken::Mode::aesFips)});
    return data;
}

void CommandProcessor::reset()
{
    m_channel.drop();
    m_verified.clear();
    m_appletSelected = true;
    m_state.files.resetSelection();
}

Bytes CommandProcessor::process(ByteView apdu, bool corruptMac)
{
    const auto parsed = CardCommand::parse(apdu);
    if (!parsed) {
        return CardReply::status(sw::wrongLength).encode();
    }
    if ((parsed->cla & 0x0C) != 0x0C) {
        return dispatch(*parsed).encode();
    }
    auto opened = m_channel.unprotect(apdu);
    if (const auto* status = std::get_if<std::uint16_t>(&opened)) {
        return CardReply::status(*status).encode();
    }
    const CardCommand& command = std::get<CardCommand>(opened);
    const CardReply reply = dispatch(command);
    // A command may end the channel it came over (a new INITIALIZE UPDATE); its answer then
    // goes back bare.
    return m_channel.isEstablished() ? m_channel.protect(reply, corruptMac) : reply.encode();
}

CardReply CommandProcessor::dispatch(const CardCommand& command)
{
    if (command.cla != expectedClass(command.ins)) {
        return CardReply::status(sw::claNotSupported);
    }
    switch (command.ins) {
    case 0xA4:
        return select(command);
    case 0xB0:
        return readBinary(command);
    case 0xD6:
        return updateBinary(command);
    case 0xCA:
        return getData(command);
    case 0x84:
        return getChallenge(command);
    case 0x50:
        return initializeUpdate(command);
    case 0x82:
        return m_channel.externalAuthenticate(command);
    case 0x20:
        return verify(command);
    case 0x0E:
        return eraseCard(command);
    case 0xE3:
        return installSecretKey(command);
    case 0xE0:
        return createFile(command);
    case 0x46:
        return generateKeyPair(command);
    case 0x2A:
        return sign(command);
    default:
        return CardReply::status(sw::insNotSupported);
    }
}

CardReply CommandProcessor::changed(CardReply reply)
{
    m_dirty = true;
    return reply;
}

std::size_t CommandProcessor::replyLimit(const CardCommand& command) const
{
    const std::size_t asked = command.le.value_or(256);
    return command.secured ? std::min(asked, m_channel.maxReplyData()) : asked;
}

CardReply CommandProcessor::select(const CardCommand& command)
{
    if (command.p1 == 0x04) {
        if (command.data != appletAid()) {
            return CardReply::status(sw::fileNotFound);
        }
        m_appletSelected = true;
        m_state.files.resetSelection();
        return CardReply::ok();
    }
    if (command.p1 != 0x00) {
        return CardReply::status(sw::wrongP1P2);
    }
    if (command.data.size() != 2) {
        return CardReply::status(sw::wrongLength);
    }
    const auto fid = static_cast<std::uint16_t>(command.data[0] << 8 | command.data[1]);
    const std::uint16_t status = m_state.files.select(fid);
    if (status == sw::ok) {
        m_appletSelected = false;
    }
    return CardReply::status(status);
}

CardReply CommandProcessor::labelRead(std::size_t length) const
{
    // A token without a label answers 00-led data, which readers take as "no label".
    Bytes data = tokenkit::toBytes(std::string_view(m_config.label));
    if (data.empty()) {
        data.push_back(0x00);
    }
    data.resize(length, 0xFF);
    return CardReply::ok(std::move(data));
}

CardReply CommandProcessor::readBinary(const CardCommand& command) const
{
    if (m_appletSelected) {
        if (command.offset() != 0) {
            return CardReply::status(sw::wrongOffset);
        }
        return labelRead(replyLimit(command));
    }
    return m_state.files.read(command.offset(), replyLimit(command));
}

CardReply CommandProcessor::updateBinary(const CardCommand& command)
{
    if (!command.secured) {
        return CardReply::status(sw::securityNotSatisfied);
    }
    if (m_appletSelected) {
        return CardReply::status(sw::noCurrentEF);
    }
    const std::uint16_t status = m_state.files.update(command.offset(), command.data);
    return status == sw::ok ? changed(CardReply::ok()) : CardReply::status(status);
}

CardReply CommandProcessor::getData(const CardCommand& command) const
{
    if (command.p1 != 0x01 || command.p2 != 0x86) {
        return CardReply::status(sw::referenceNotFound);
    }
    return CardReply::ok(modeProbeData(m_config.mode));
}

CardReply CommandProcessor::getChallenge(const CardCommand& command) const
{
    if (command.le && *command.le != kChallengeLength && *command.le != 256) {
        return CardReply::status(sw::wrongLength);
    }
    return CardReply::ok(randomBytes(kChallengeLength));
}

CardReply CommandProcessor::initializeUpdate(const CardCommand& command)
{
    const Bytes& fallback = m_config.transportKey;
    return m_channel.initializeUpdate(command.data, randomBytes(kChallengeLength),
                                      m_state.secrets.transportEnc(fallback),
                                      m_state.secrets.transportMac(fallback));
}

CardReply CommandProcessor::verify(const CardCommand& command)
{
    const auto keyNumber = pinForReference(command.p2);
    if (command.p1 != 0x00 || !keyNumber) {
        return CardReply::status(sw::referenceNotFound);
    }
    const auto before = m_state.secrets.triesLeft(*keyNumber);
    const std::uint16_t status = m_state.secrets.verify(*keyNumber, command.data);
    if (status == sw::ok) {
        m_verified.insert(*keyNumber);
    } else {
        m_verified.erase(*keyNumber);
    }
    if (m_state.secrets.triesLeft(*keyNumber) != before) {
        m_dirty = true;
    }
    return CardReply::status(status);
}

CardReply CommandProcessor::eraseCard(const CardCommand& command)
{
    if (!command.secured) {
        return CardReply::status(sw::securityNotSatisfied);
    }
    m_state.erase();
    m_verified.clear();
    m_appletSelected = true;
    return changed(CardReply::ok());
}

CardReply CommandProcessor::installSecretKey(const CardCommand& command)
{
    if (!command.secured) {
        return CardReply::status(sw::securityNotSatisfied);
    }
    const std::uint16_t status = m_state.secrets.install(command.data);
    if (status != sw::ok) {
        return CardReply::status(status);
    }
    // A newly installed PIN must be verified again before it opens anything.
    if (command.data.size() > 1) {
        m_verified.erase(command.data[1]);
    }
    return changed(CardReply::ok());
}

CardReply CommandProcessor::createFile(const CardCommand& command)
{
    if (!command.secured) {
        return CardReply::status(sw::securityNotSatisfied);
    }
    const std::uint16_t status = m_state.files.create(command.data);
    return status == sw::ok ? changed(CardReply::ok()) : CardReply::status(status);
}

CardReply CommandProcessor::generateKeyPair(const CardCommand& command)
{
    if (!command.secured || !m_verified.count(SecretStore::kUserPin)) {
        return CardReply::status(sw::securityNotSatisfied);
    }
    const Bytes& d = command.data;
    if (d.size() != 11 || d[0] != 0x30 || d[1] != 0x08 || d[2] != 0x04 || d[3] != 0x01 ||
        d[5] != 0x80 || d[6] != 0x01 || d[8] != 0x81 || d[9] != 0x01) {
        return CardReply::status(sw::wrongData);
    }
    if (d[7] != 0x13 || d[10] != 0x20) {
        // Only EC P-256 keys are made here; RSA requests are refused as unsupported.
        return CardReply::status(sw::functionNotSupported);
    }
    if (d[4] == 0x00) {
        return CardReply::status(sw::wrongData);
    }
    if (!m_state.keys.generate(d[4])) {
        return CardReply::status(sw::unknownError);
    }
    return changed(CardReply::ok());
}

CardReply CommandProcessor::sign(const CardCommand& command) const
{
    if (command.p1 != 0x9E || command.p2 != 0x9A) {
        return CardReply::status(sw::wrongP1P2);
    }
    if (command.data.empty() || command.data.size() > kMaxHashLength) {
        return CardReply::status(sw::wrongLength);
    }
    if (!m_state.keys.contains(kSigningKey)) {
        return CardReply::status(sw::referenceNotFound);
    }
    auto signature = m_state.keys.sign(kSigningKey, command.data);
    return signature ? CardReply::ok(std::move(*signature)) : CardReply::status(sw::unknownError);
}

} // namespace orvela::sim
