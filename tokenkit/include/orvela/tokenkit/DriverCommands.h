#pragma once

#include "orvela/tokenkit/APDUCommand.h"
#include "orvela/tokenkit/Bytes.h"

#include <array>
#include <cstdint>

namespace orvela::tokenkit {

/// The PKI applet's name: the ASCII bytes of "entersafe-fips".
inline constexpr std::array<std::uint8_t, 14> kTesselAppletAID = {
    0x65, 0x6E, 0x74, 0x65, 0x72, 0x73, 0x61, 0x66, 0x65, 0x2D, 0x66, 0x69, 0x70, 0x73};

/// File identifiers of the token's PKCS#15 layout.
namespace TesselFile {
inline constexpr std::uint16_t masterFile = 0x3F00;
inline constexpr std::uint16_t efDir = 0x2F00;
inline constexpr std::uint16_t applicationDF = 0x5015;
inline constexpr std::uint16_t maxPin = 0x9F00;
inline constexpr std::uint16_t odf = 0x5031;
inline constexpr std::uint16_t tokenInfo = 0x5032;
inline constexpr std::uint16_t unusedSpace = 0x5033;
inline constexpr std::uint16_t directory1 = 0x4401;
inline constexpr std::uint16_t directory2 = 0x4402;
inline constexpr std::uint16_t directory3 = 0x4403;
inline constexpr std::uint16_t directory4 = 0x4404;
inline constexpr std::uint16_t directory5 = 0x4405;
inline constexpr std::uint16_t mfSecretKeys = 0x5300;
inline constexpr std::uint16_t appSecretKeys = 0x5301;
} // namespace TesselFile

/// File-type bytes of CREATE FILE.
namespace TesselFileType {
inline constexpr std::uint8_t directory = 0x38;
inline constexpr std::uint8_t transparent = 0x01;
inline constexpr std::uint8_t linearFixed = 0x02;
inline constexpr std::uint8_t linearVariable = 0x04;
inline constexpr std::uint8_t ecKey = 0x0A;
inline constexpr std::uint8_t rsaKey = 0x11;
} // namespace TesselFileType

/// The driver's commands in their unprotected form, one factory per command the token knows.
/// Secure messaging wraps these same headers and payloads; nothing here knows about it.
namespace DriverCommands {

/// SELECT the PKI applet by name (00 A4 04 00).
APDUCommand selectApplet();
/// GET CHALLENGE of 8 bytes (00 84 00 00 08).
APDUCommand getChallenge();
/// VERIFY (00 20 00 reference) with a 16-byte PIN block.
APDUCommand verify(std::uint8_t reference, const Bytes& pinBlock);
/// READ BINARY of the label at offset 0 (00 B0 00 00 28).
APDUCommand readLabel();
/// PSO: COMPUTE DIGITAL SIGNATURE (00 2A 9E 9A) over a hash given as is.
APDUCommand computeDigitalSignature(ByteView hash);
/// PSO for RSA (00 2A 80 86) over data given as is.
APDUCommand computeRSA(ByteView data);
/// ERASE CARD (80 0E 00 00) with an empty body, so the plain form carries Lc 00.
APDUCommand eraseCard();
/// INSTALL SECRET KEY (80 E3 00 00) with the key header and key.
APDUCommand installSecretKey(const Bytes& keyData);
/// CREATE FILE (80 E0 00 00) with a file control parameter template.
APDUCommand createFile(ByteView fcp);
/// SELECT FILE by identifier (00 A4 00 00).
APDUCommand selectFile(std::uint16_t fid);
/// GENERATE KEY PAIR (00 46 00 00) with key parameters.
APDUCommand generateKeyPair(ByteView parameters);
/// READ BINARY at an offset (00 B0 offset) asking for le bytes.
APDUCommand readBinary(std::uint16_t offset, std::uint8_t le);
/// UPDATE BINARY at an offset (00 D6 offset) with one chunk.
APDUCommand updateBinary(std::uint16_t offset, ByteView chunk);

/// FCP of a transparent or record EF. Throws TokenError::invalidAPDU when the ACL or the whole
/// template does not fit a one-byte length.
Bytes buildEFFCP(std::uint16_t fid, std::uint16_t size, std::uint8_t fileType, ByteView acl);
/// FCP of a DF; the name (tag 84) is left out when the AID is empty.
Bytes buildDFFCP(std::uint16_t fid, std::uint16_t size, ByteView aid, ByteView acl);

/// VERIFY's PIN block: the PIN's bytes zero-padded, or cut, to exactly 16 bytes.
Bytes pinBlock(ByteView pin);
/// What the token stores for a PIN or PUK: SHA-1 of its bytes, then its length as 32-bit
/// little-endian (24 bytes).
Bytes pinSecretBlock(ByteView pin);
/// INSTALL SECRET KEY data: the 10-byte key header followed by the key.
Bytes secretKeyData(ByteView key, std::uint8_t keyType, std::uint8_t keyNumber,
                    std::uint8_t accessA, std::uint8_t accessB, std::uint8_t counter);
/// GENERATE KEY PAIR parameters for a P-256 key.
Bytes ecKeyParameters(std::uint8_t keyID);
/// GENERATE KEY PAIR parameters for an RSA key of the given size in bits.
Bytes rsaKeyParameters(std::uint8_t keyID, std::uint16_t keySizeBits);

} // namespace DriverCommands

} // namespace orvela::tokenkit
