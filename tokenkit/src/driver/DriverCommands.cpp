#include "orvela/tokenkit/DriverCommands.h"

#include "orvela/tokenkit/Digest.h"
#include "orvela/tokenkit/TokenError.h"

#include <algorithm>

namespace orvela::tokenkit::DriverCommands {

namespace {

constexpr std::size_t kPinBlockLength = 16;
constexpr std::size_t kMaxTlvLength = 255;

std::uint8_t high(std::uint16_t value)
{
    return static_cast<std::uint8_t>(value >> 8);
}

std::uint8_t low(std::uint16_t value)
{
    return static_cast<std::uint8_t>(value & 0xFF);
}

std::uint8_t lengthByte(std::size_t length)
{
    if (length > kMaxTlvLength) {
        throw TokenError::invalidAPDU();
    }
    return static_cast<std::uint8_t>(length);
}

bool usesPinCounter(std::uint8_t keyType)
{
    return keyType == 0x04 || keyType == 0x06;
}

/// The content shared by both FCP kinds up to the file type, and the part after the name.
void appendSizeTypeAndId(Bytes& body, std::uint16_t size, std::uint8_t type0, std::uint8_t type1,
                         std::uint16_t fid)
{
    append(body, Bytes{0x80, 0x02, high(size), low(size), 0x82, 0x02, type0, type1, 0x83, 0x02,
                       high(fid), low(fid)});
}

void appendLifeCycleAndAcl(Bytes& body, ByteView acl)
{
    append(body, Bytes{0x8A, 0x01, 0x01, 0x8C, lengthByte(acl.size())});
    append(body, acl);
}

Bytes wrapInTemplate(const Bytes& body)
{
    Bytes fcp{0x62, lengthByte(body.size())};
    append(fcp, body);
    return fcp;
}

} // namespace

APDUCommand selectApplet()
{
    return APDUCommand(0x00, 0xA4, 0x04, 0x00, toBytes(ByteView(kTesselAppletAID)));
}

APDUCommand getChallenge()
{
    return APDUCommand(0x00, 0x84, 0x00, 0x00, std::nullopt, 0x08);
}

APDUCommand verify(std::uint8_t reference, const Bytes& pinBlock)
{
    return APDUCommand(0x00, 0x20, 0x00, reference, pinBlock);
}

APDUCommand readLabel()
{
    return APDUCommand(0x00, 0xB0, 0x00, 0x00, std::nullopt, 0x28);
}

APDUCommand computeDigitalSignature(ByteView hash)
{
    return APDUCommand(0x00, 0x2A, 0x9E, 0x9A, toBytes(hash));
}

APDUCommand computeRSA(ByteView data)
{
    return APDUCommand(0x00, 0x2A, 0x80, 0x86, toBytes(data));
}

APDUCommand eraseCard()
{
    return APDUCommand(0x80, 0x0E, 0x00, 0x00, Bytes{});
}

APDUCommand installSecretKey(const Bytes& keyData)
{
    return APDUCommand(0x80, 0xE3, 0x00, 0x00, keyData);
}

APDUCommand createFile(ByteView fcp)
{
    return APDUCommand(0x80, 0xE0, 0x00, 0x00, toBytes(fcp));
}

APDUCommand selectFile(std::uint16_t fid)
{
    return APDUCommand(0x00, 0xA4, 0x00, 0x00, Bytes{high(fid), low(fid)});
}

APDUCommand generateKeyPair(ByteView parameters)
{
    return APDUCommand(0x00, 0x46, 0x00, 0x00, toBytes(parameters));
}

APDUCommand readBinary(std::uint16_t offset, std::uint8_t le)
{
    return APDUCommand(0x00, 0xB0, high(offset), low(offset), std::nullopt, le);
}

APDUCommand updateBinary(std::uint16_t offset, ByteView chunk)
{
    return APDUCommand(0x00, 0xD6, high(offset), low(offset), toBytes(chunk));
}

Bytes buildEFFCP(std::uint16_t fid, std::uint16_t size, std::uint8_t fileType, ByteView acl)
{
    Bytes body;
    appendSizeTypeAndId(body, size, fileType, 0x00, fid);
    appendLifeCycleAndAcl(body, acl);
    return wrapInTemplate(body);
}

Bytes buildDFFCP(std::uint16_t fid, std::uint16_t size, ByteView aid, ByteView acl)
{
    Bytes body;
    appendSizeTypeAndId(body, size, TesselFileType::directory, 0x00, fid);
    if (!aid.empty()) {
        append(body, Bytes{0x84, lengthByte(aid.size())});
        append(body, aid);
    }
    appendLifeCycleAndAcl(body, acl);
    return wrapInTemplate(body);
}

Bytes pinBlock(ByteView pin)
{
    Bytes block(kPinBlockLength, 0x00);
    const std::size_t n = std::min(pin.size(), kPinBlockLength);
    std::copy_n(pin.begin(), n, block.begin());
    return block;
}

Bytes pinSecretBlock(ByteView pin)
{
    Bytes block = sha1(pin);
    const auto length = static_cast<std::uint32_t>(pin.size());
    for (int shift = 0; shift < 32; shift += 8) {
        block.push_back(static_cast<std::uint8_t>((length >> shift) & 0xFF));
    }
    return block;
}

Bytes secretKeyData(ByteView key, std::uint8_t keyType, std::uint8_t keyNumber,
                    std::uint8_t accessA, std::uint8_t accessB, std::uint8_t counter)
{
    const bool pin = usesPinCounter(keyType);
    const std::uint8_t pinLengthMark = keyNumber == 0x01 ? 0x06 : 0x08;
    Bytes data{keyType,
               keyNumber,
               accessA,
               accessB,
               static_cast<std::uint8_t>(pin ? 0x98 : 0x00),
               static_cast<std::uint8_t>(pin ? 0x98 : 0x00),
               0x00,
               static_cast<std::uint8_t>(pin ? pinLengthMark : 0x00),
               0xFF,
               static_cast<std::uint8_t>(pin ? (counter << 4 | (counter & 0x0F)) : 0x00)};
    append(data, key);
    return data;
}

Bytes ecKeyParameters(std::uint8_t keyID)
{
    return Bytes{0x30, 0x08, 0x04, 0x01, keyID, 0x80, 0x01, 0x13, 0x81, 0x01, 0x20};
}

Bytes rsaKeyParameters(std::uint8_t keyID, std::uint16_t keySizeBits)
{
    return Bytes{0x30,
                 0x08,
                 0x04,
                 0x01,
                 keyID,
                 0x80,
                 0x01,
                 0x01,
                 0x81,
                 0x02,
                 high(keySizeBits),
                 low(keySizeBits)};
}

} // namespace orvela::tokenkit::DriverCommands
