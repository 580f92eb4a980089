#pragma once

#include "orvela/tokenkit/Bytes.h"

namespace orvela::sim {

using tokenkit::Bytes;
using tokenkit::ByteView;

/// The card's own block-cipher toolbox for the secure channel, on OpenSSL EVP. Deliberately
/// separate from the host's code, so that each side checks the other.
namespace cardcrypto {

/// The two channel cipher families: AES-128 (block 16) and two-key Triple-DES (block 8).
enum class Family { aes, tdes };

std::size_t blockSize(Family family) noexcept;

/// ECB over whole blocks with a 16-byte key; throws std::runtime_error on a cipher failure.
Bytes ecbEncrypt(Family family, ByteView key, ByteView data);

/// CBC over whole blocks with a 16-byte key and an IV of one block.
Bytes cbcEncrypt(Family family, ByteView key, ByteView iv, ByteView data);
Bytes cbcDecrypt(Family family, ByteView key, ByteView iv, ByteView data);

/// 8-byte MAC: for AES the first half of the last CBC block, for Triple-DES the ISO/IEC 9797-1
/// algorithm 3 retail MAC. The input must already be padded.
Bytes mac(Family family, ByteView key, ByteView iv, ByteView paddedData);

/// ISO/IEC 9797-1 padding method 2.
Bytes pad(ByteView data, std::size_t block);

/// Strict removal of method-2 padding; false when the padding is malformed.
bool unpad(Bytes& data);

} // namespace cardcrypto
} // namespace orvela::sim
