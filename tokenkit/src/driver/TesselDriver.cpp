#include "orvela/tokenkit/TesselDriver.h"

#include "driver/LabelText.h"
#include "orvela/tokenkit/APDUTransceiver.h"
#include "orvela/tokenkit/CardTransmitter.h"
#include "orvela/tokenkit/TokenError.h"
#include "orvela/tokenkit/TransportKey.h"

#include <cstdarg>
#include <cstdio>

namespace orvela::tokenkit {

namespace {

constexpr std::uint16_t kSuccess = 0x9000;
constexpr std::uint16_t kPinBlocked = 0x6983;

/// printf-style formatting for log lines; the kit has no std::format on this compiler.
[[gnu::format(printf, 1, 2)]] std::string format(const char* pattern, ...)
{
    char buffer[256];
    va_list args;
    va_start(args, pattern);
    std::vsnprintf(buffer, sizeof buffer, pattern, args);
    va_end(args);
    return buffer;
}

std::string swText(const APDUResponse& response)
{
    return response.hexStatus();
}

bool hasData(const APDUResponse& response)
{
    return response.data() && !response.data()->empty();
}

} // namespace

TesselDriver::TesselDriver(SecureMessaging::RandomSource random) : m_random(std::move(random)) {}

// --- sending rule -------------------------------------------------------------------------

APDUResponse TesselDriver::send(const APDUCommand& command, SmartCard& card)
{
    if (m_sm && m_smCardIdentity != card.identity()) {
        // The channel's session is over: its keys must never touch another session's bytes.
        closeSecureSession();
    }
    if (m_sm && m_sm->isEstablished()) {
        return sendProtected(command, card);
    }
    return APDUTransceiver::transmit(command, card);
}

APDUResponse TesselDriver::sendProtected(const APDUCommand& command, SmartCard& card)
{
    const std::optional<std::uint8_t> le =
        command.le() != 0 ? std::optional<std::uint8_t>(command.le()) : std::nullopt;
    const Bytes wrapped = m_sm->wrapAPDU(command.cla(), command.ins(), command.p1(), command.p2(),
                                         command.payload(), le);
    Bytes reply;
    try {
        reply = card.transmit(wrapped);
    } catch (...) {
        // The counter has moved on without the card: the channel cannot be used again.
        closeSecureSession();
        throw;
    }
    SecureMessaging::Unwrapped unwrapped = m_sm->unwrapResponse(reply);
    std::optional<Bytes> data;
    if (!unwrapped.data.empty()) {
        data = std::move(unwrapped.data);
    }
    return APDUResponse(std::move(data), unwrapped.sw1, unwrapped.sw2);
}

bool TesselDriver::hasSecureSession(const SmartCard& card) const noexcept
{
    return m_sm && m_sm->isEstablished() && m_smCardIdentity == card.identity();
}

void TesselDriver::requireSecureSession(const SmartCard& card) const
{
    if (!hasSecureSession(card)) {
        throw TokenError::authFailed();
    }
}

void TesselDriver::closeSecureSession() noexcept
{
    m_sm.reset();
    m_smCardIdentity = 0;
}

// --- session, PIN and information ---------------------------------------------------------

APDUResponse TesselDriver::selectApplet(SmartCard& card)
{
    APDUResponse response = APDUTransceiver::transmit(DriverCommands::selectApplet(), card);
    m_logger.info(format("SELECT applet: SW=%s", swText(response).c_str()));
    return response;
}

Bytes TesselDriver::getChallenge(SmartCard& card)
{
    APDUResponse response = APDUTransceiver::transmit(DriverCommands::getChallenge(), card);
    if (response.isSuccess() && response.data() && response.data()->size() == 8) {
        return std::move(*response.data());
    }
    m_logger.error(format("GET CHALLENGE failed: SW=%s", swText(response).c_str()));
    throw TokenError::authFailed();
}

void TesselDriver::establishSecureSession(ByteView transportKeyEnc, ByteView transportKeyMac,
                                          SmartCard& card)
{
    TKSmartCardTransmitter transmitter(card);
    auto channel = std::make_unique<SecureMessaging>(m_random);
    channel->mutualAuth(transmitter, transportKeyEnc, transportKeyMac);
    m_sm = std::move(channel);
    m_smCardIdentity = card.identity();
    m_logger.info(format("secure channel open (FIPS=%s)", m_sm->isFIPS() ? "true" : "false"));
}

void TesselDriver::verifyPIN(ByteView pin, std::uint8_t reference, SmartCard& card)
{
    APDUResponse response = [&] {
        Bytes block = DriverCommands::pinBlock(pin);
        APDUCommand command = DriverCommands::verify(reference, block);
        secureWipe(block.data(), block.size());
        return send(command, card);
    }();
    if (response.isSuccess()) {
        m_logger.info("VERIFY PIN: accepted");
        return;
    }
    if (response.sw1() == 0x63 && (response.sw2() & 0xF0) == 0xC0) {
        throw TokenError::pinVerifyFailed(response.sw2() & 0x0F);
    }
    if (response.status() == kPinBlocked) {
        throw TokenError::pinBlocked();
    }
    throw TokenError::unexpectedStatus(response.status());
}

TokenInfo TesselDriver::getTokenInfo(SmartCard& card)
{
    TokenInfo info;
    info.atr = card.atr();
    info.isFIPS = TokenInfo::atrIsFIPS(info.atr);
    info.appletSelected = selectApplet(card).isSuccess();
    try {
        const APDUResponse label = APDUTransceiver::transmit(DriverCommands::readLabel(), card);
        if (label.isSuccess() && hasData(label)) {
            if (auto text = LabelText::decode(*label.data())) {
                info.label = std::move(*text);
            }
        }
    } catch (const TokenError&) {
        // An unreadable label is not an error; platform failures still reach the caller.
    }
    return info;
}

Bytes TesselDriver::signECDSA(ByteView hash, SmartCard& card)
{
    APDUResponse response = send(DriverCommands::computeDigitalSignature(hash), card);
    if (response.isSuccess() && hasData(response)) {
        return std::move(*response.data());
    }
    m_logger.error(format("SIGN failed: SW=%s", swText(response).c_str()));
    throw TokenError::signFailed("SW=" + response.hexStatus());
}

Bytes TesselDriver::signRSA(ByteView data, SmartCard& card)
{
    APDUResponse response = send(DriverCommands::computeRSA(data), card);
    if (response.isSuccess() && hasData(response)) {
        return std::move(*response.data());
    }
    m_logger.error(format("SIGN RSA failed: SW=%s", swText(response).c_str()));
    throw TokenError::signFailed("SW=" + response.hexStatus());
}

// --- provisioning and keys ----------------------------------------------------------------

void TesselDriver::eraseCard(SmartCard& card)
{
    const APDUResponse response = send(DriverCommands::eraseCard(), card);
    if (response.status() != kSuccess) {
        m_logger.error(format("ERASE CARD failed: SW=%s", swText(response).c_str()));
        throw TokenError::unexpectedStatus(response.status());
    }
}

void TesselDriver::installSecretKey(ByteView key, std::uint8_t keyType, std::uint8_t keyNumber,
                                    std::uint8_t accessA, std::uint8_t accessB,
                                    std::uint8_t counter, SmartCard& card)
{
    const Bytes data =
        DriverCommands::secretKeyData(key, keyType, keyNumber, accessA, accessB, counter);
    const APDUResponse response = send(DriverCommands::installSecretKey(data), card);
    if (response.status() != kSuccess) {
        m_logger.error(format("install_secret_key(ktype=%02X) failed: SW=%s", keyType,
                              swText(response).c_str()));
        throw TokenError::unexpectedStatus(response.status());
    }
}

void TesselDriver::initializePIN(ByteView pin, ByteView puk, SmartCard& card)
{
    if (pin.size() > kMaxPinLength || puk.size() > kMaxPinLength) {
        m_logger.error("PIN or PUK longer than 16 bytes refused");
        throw TokenError::pinTooLong();
    }
    requireSecureSession(card);
    eraseCard(card);
    m_logger.info("Card erased");
    const Bytes transportKey = defaultTransportKey();
    installSecretKey(transportKey, 0x01, 0x00, 0x90, 0x90, 0, card);
    m_logger.info("Transport ENC key installed");
    installSecretKey(transportKey, 0x02, 0x00, 0x90, 0x90, 0, card);
    m_logger.info("Transport MAC key installed");
    createPKCS15Filesystem(card);
    m_logger.info("PKCS#15 filesystem created");
    installSecretKey(DriverCommands::pinSecretBlock(puk), 0x04, 0x02, 0x98, 0x98, 10, card);
    m_logger.info("SO PIN (PUK) installed");
    installSecretKey(DriverCommands::pinSecretBlock(pin), 0x04, 0x01, 0x96, 0x98, 10, card);
    m_logger.info("User PIN installed");
}

void TesselDriver::createPKCS15Filesystem(SmartCard& card)
{
    static constexpr std::uint8_t kOpenAcl[] = {0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    static constexpr std::uint8_t kAppAcl[] = {0xFF, 0xFF, 0x04, 0x44, 0x44, 0x44, 0x44, 0x44};

    selectFile(TesselFile::masterFile, card);
    createFile(buildEFFCP(TesselFile::efDir, 0x0070, TesselFileType::linearVariable, kOpenAcl),
               card);
    m_logger.info("Created EF DIR (2F00)");
    createFile(buildDFFCP(TesselFile::applicationDF, 0x3E80, kTesselAppletAID, kAppAcl), card);
    m_logger.info("Created DF PKCS15-App (5015)");
    selectFile(TesselFile::applicationDF, card);
    createApplicationFiles(card);
    m_logger.info("Created 9 PKCS#15 EFs inside App DF");
}

void TesselDriver::createApplicationFiles(SmartCard& card)
{
    static constexpr std::uint8_t kOpenAcl[] = {0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    struct File {
        std::uint16_t fid;
        std::uint16_t size;
    };
    static constexpr File kFiles[] = {
        {TesselFile::maxPin, 2},       {TesselFile::odf, 256},
        {TesselFile::tokenInfo, 128},  {TesselFile::unusedSpace, 128},
        {TesselFile::directory1, 256}, {TesselFile::directory2, 256},
        {TesselFile::directory3, 256}, {TesselFile::directory4, 512},
        {TesselFile::directory5, 256},
    };
    for (const File& file : kFiles) {
        createFile(buildEFFCP(file.fid, file.size, TesselFileType::transparent, kOpenAcl), card);
    }
}

void TesselDriver::createFile(ByteView fcp, SmartCard& card)
{
    const APDUResponse response = send(DriverCommands::createFile(fcp), card);
    if (response.status() != kSuccess) {
        m_logger.error(format("CREATE FILE failed: SW=%s", swText(response).c_str()));
        throw TokenError::unexpectedStatus(response.status());
    }
}

APDUResponse TesselDriver::selectFile(std::uint16_t fid, SmartCard& card)
{
    APDUResponse response = send(DriverCommands::selectFile(fid), card);
    if (response.status() != kSuccess) {
        m_logger.error(format("SELECT FID %04X failed: SW=%s", static_cast<unsigned>(fid),
                              swText(response).c_str()));
        throw TokenError::unexpectedStatus(response.status());
    }
    return response;
}

void TesselDriver::generateECKeyPair(std::uint8_t keyID, SmartCard& card)
{
    requireSecureSession(card);
    const APDUResponse response =
        send(DriverCommands::generateKeyPair(DriverCommands::ecKeyParameters(keyID)), card);
    if (response.status() != kSuccess) {
        m_logger.error(format("GENERATE KEY PAIR failed: SW=%s", swText(response).c_str()));
        throw TokenError::keyGenFailed();
    }
    m_logger.info(format("EC key pair generated (keyID=%02X)", keyID));
}

void TesselDriver::generateRSAKeyPair(std::uint8_t keyID, std::uint16_t keySize, SmartCard& card)
{
    requireSecureSession(card);
    const APDUResponse response = send(
        DriverCommands::generateKeyPair(DriverCommands::rsaKeyParameters(keyID, keySize)), card);
    if (response.status() != kSuccess) {
        m_logger.error(format("GENERATE RSA KEY PAIR failed: SW=%s", swText(response).c_str()));
        throw TokenError::keyGenFailed();
    }
    m_logger.info(format("RSA key pair generated (keyID=%02X, size=%ld)", keyID,
                         static_cast<long>(keySize)));
}

// --- certificate files --------------------------------------------------------------------

std::uint8_t TesselDriver::maxProtectedReadLength(SecureMessaging::KeyEncType type)
{
    // 256 response bytes hold DO99 (4), DO8E (10) and DO87's tag, length and indicator (3).
    constexpr std::size_t kRoomForCryptogram = 256 - 4 - 10 - 3;
    const std::size_t block = type == SecureMessaging::KeyEncType::aes ? 16 : 8;
    const std::size_t cryptogram = kRoomForCryptogram / block * block;
    // Padding always adds at least one byte.
    return static_cast<std::uint8_t>(cryptogram - 1);
}

namespace {

SecureMessaging::KeyEncType cipherOf(const SecureMessaging& sm)
{
    return sm.isFIPS() ? SecureMessaging::KeyEncType::aes : sm.keyType();
}

} // namespace

std::size_t TesselDriver::writeChunkLength(const SmartCard& card) const
{
    if (!hasSecureSession(card)) {
        return kPlainWriteChunk;
    }
    return std::min(kPlainWriteChunk,
                    SecureMessaging::maxWrappedDataLength(cipherOf(*m_sm), false));
}

std::uint8_t TesselDriver::readChunkLength(const SmartCard& card) const
{
    if (!hasSecureSession(card)) {
        return kPlainReadChunk;
    }
    return std::min(kPlainReadChunk, maxProtectedReadLength(cipherOf(*m_sm)));
}

Bytes TesselDriver::readCertificate(std::uint16_t fileID, SmartCard& card)
{
    if (send(DriverCommands::selectFile(fileID), card).status() != kSuccess) {
        throw TokenError::certificateNotFound();
    }
    const std::uint8_t chunk = readChunkLength(card);
    Bytes content;
    for (;;) {
        APDUResponse response = send(
            DriverCommands::readBinary(static_cast<std::uint16_t>(content.size()), chunk), card);
        if (!hasData(response)) {
            break;
        }
        const std::size_t got = response.data()->size();
        append(content, *response.data());
        if (content.size() > kMaxCertificateLength) {
            m_logger.error(format("READ CERT refused: file %04X runs past offset FFFF",
                                  static_cast<unsigned>(fileID)));
            throw TokenError::invalidAPDU();
        }
        if (got < chunk) {
            break;
        }
    }
    if (content.empty()) {
        throw TokenError::certificateNotFound();
    }
    return content;
}

void TesselDriver::writeCertificate(ByteView data, std::uint16_t fileID, SmartCard& card)
{
    requireSecureSession(card);
    if (data.size() > kMaxCertificateLength) {
        m_logger.error(format("WRITE CERT refused: %zu bytes exceed 65535", data.size()));
        throw TokenError::certificateImportFailed();
    }
    if (send(DriverCommands::selectFile(fileID), card).status() != kSuccess) {
        throw TokenError::certificateImportFailed();
    }
    const std::size_t chunkLength = writeChunkLength(card);
    for (std::size_t offset = 0; offset < data.size(); offset += chunkLength) {
        const auto chunk = data.subspan(offset, std::min(chunkLength, data.size() - offset));
        const auto at = static_cast<std::uint16_t>(offset);
        const APDUResponse response = send(DriverCommands::updateBinary(at, chunk), card);
        if (response.status() != kSuccess) {
            m_logger.error(
                format("WRITE CERT failed at offset %hu: SW=%s", at, swText(response).c_str()));
            throw TokenError::certificateImportFailed();
        }
    }
    m_logger.info(format("certificate written (%ld bytes, fileID=%04X)",
                         static_cast<long>(data.size()), static_cast<unsigned>(fileID)));
}

} // namespace orvela::tokenkit
