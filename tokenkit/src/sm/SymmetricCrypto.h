#pragma once

#include "orvela/tokenkit/Bytes.h"

#include <cstddef>

// The block-cipher primitives of the secure channel, on OpenSSL, all without automatic
// padding. A key or IV of the wrong length, an input that is not whole blocks, or a cipher
// failure throws TokenError::secureMessagingFailed.
namespace orvela::tokenkit::crypto {

inline constexpr std::size_t kAesBlock = 16;
inline constexpr std::size_t kDesBlock = 8;

/// AES-128-ECB encryption; 16-byte key.
Bytes aesEcbEncrypt(ByteView key, ByteView data);

/// Two-key Triple-DES (K1 K2 K1) ECB encryption; 16-byte key.
Bytes tdesEcbEncrypt(ByteView key, ByteView data);

/// AES-128-CBC; 16-byte key and IV.
Bytes aesCbc(ByteView key, ByteView iv, ByteView data, bool encrypt);

/// Two-key Triple-DES (K1 K2 K1) CBC; 16-byte key, 8-byte IV.
Bytes tdesCbc(ByteView key, ByteView iv, ByteView data, bool encrypt);

/// Single DES-CBC encryption; 8-byte key and IV.
Bytes desCbcEncrypt(ByteView key, ByteView iv, ByteView data);

/// First 8 bytes of the last block of AES-CBC(key, iv, data).
Bytes aesMac(ByteView key, ByteView iv, ByteView data);

/// ISO/IEC 9797-1 MAC algorithm 3 (retail MAC) with a 16-byte key and an 8-byte IV.
Bytes retailMac(ByteView key, ByteView iv, ByteView data);

/// ISO/IEC 9797-1 padding method 2: 80, then 00 up to a whole block (always adds a byte).
Bytes pad(ByteView data, std::size_t blockSize);

/// Cuts method-2 padding; data without valid padding is returned unchanged.
Bytes unpad(ByteView data);

/// Adds one to a big-endian number in place; all FF wraps to all 00.
void incrementBigEndian(std::span<std::uint8_t> number) noexcept;

} // namespace orvela::tokenkit::crypto
