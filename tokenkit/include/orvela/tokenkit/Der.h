#pragma once

#include "orvela/tokenkit/Bytes.h"

#include <cstdint>
#include <string>
#include <string_view>

/// The few DER and PEM encoders that certificate requests and token objects need. They build
/// byte arrays by appending; inputs stay far below the encoders' range (16 MiB).
namespace orvela::tokenkit::der {

/// Definite length: one byte below 128, then 81 n, 82 nn, 83 nnn.
Bytes encodeLength(std::size_t length);

/// Tag, length and content.
Bytes encodeElement(std::uint8_t tag, ByteView content);

/// INTEGER of unsigned big-endian bytes: redundant leading zeros go, a 00 is put in front of a
/// first byte of 80 or above. An empty input encodes as 02 00.
Bytes encodeInteger(ByteView unsignedBigEndian);

/// BIT STRING with no unused bits.
Bytes encodeBitString(ByteView bits);

/// One relative distinguished name: SET { SEQUENCE { OID, string } }. The value is not checked
/// against the repertoire of the string tag.
Bytes encodeNameComponent(ByteView oid, std::uint8_t stringTag, std::string_view value);

/// PEM text: Base64 in lines of 64 characters joined by line feeds, between BEGIN and END
/// markers, with a final line feed.
std::string encodePEM(ByteView der, std::string_view label);

} // namespace orvela::tokenkit::der
