#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orvela::tokenkit {

/// Overwrites memory in a way the optimiser may not remove.
void secureWipe(void* data, std::size_t size) noexcept;

/// Allocator that wipes every block it hands back, so that a buffer's old contents do not
/// outlive it: not on release, and not when the vector grows and moves its bytes elsewhere.
template <class T>
struct WipingAllocator {
    using value_type = T;

    WipingAllocator() noexcept = default;
    template <class U>
    WipingAllocator(const WipingAllocator<U>&) noexcept {}

    T* allocate(std::size_t n) { return std::allocator<T>{}.allocate(n); }
    void deallocate(T* p, std::size_t n) noexcept
    {
        secureWipe(p, n * sizeof(T));
        std::allocator<T>{}.deallocate(p, n);
    }

    template <class U>
    bool operator==(const WipingAllocator<U>&) const noexcept { return true; }
};

/// The kit's byte buffer. Every buffer wipes itself when released: PINs, keys, command payloads
/// and response data all travel in it, and a copy nobody thought of cannot leak them.
using Bytes = std::vector<std::uint8_t, WipingAllocator<std::uint8_t>>;

/// Read-only view of bytes, whatever container holds them.
using ByteView = std::span<const std::uint8_t>;

/// Decodes hexadecimal text; whitespace and ':' are skipped. Odd digit counts and non-hex
/// characters yield an empty buffer rather than an error.
Bytes hexToBytes(std::string_view text);

/// Upper-case hexadecimal, no separators.
std::string bytesToHex(ByteView bytes);

/// Equality whose running time depends only on the length, for comparing MACs and cryptograms.
bool constantTimeEquals(ByteView a, ByteView b) noexcept;

/// Appends bytes to a buffer.
inline void append(Bytes& to, ByteView bytes)
{
    to.insert(to.end(), bytes.begin(), bytes.end());
}

/// A buffer holding a copy of the given bytes.
inline Bytes toBytes(ByteView bytes)
{
    return Bytes(bytes.begin(), bytes.end());
}

/// A buffer holding the bytes of a text, for example a PIN's UTF-8 encoding.
inline Bytes toBytes(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

} // namespace orvela::tokenkit
