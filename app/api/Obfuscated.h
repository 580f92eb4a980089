#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>

namespace orvela::api {

/// A built-in text kept masked in the binary, so that `strings` on the program does not list the
/// pins it trusts. This is not secrecy, only a speed bump; the pins are public keys anyway.
class Obfuscated {
public:
    /// Masks a text at compile time; used to write the built-in pin table.
    template <std::size_t N>
    static constexpr std::array<std::uint8_t, N - 1> mask(const char (&text)[N])
    {
        std::array<std::uint8_t, N - 1> out{};
        for (std::size_t i = 0; i + 1 < N; ++i) {
            out[i] = static_cast<std::uint8_t>(static_cast<std::uint8_t>(text[i]) ^ keyByte(i));
        }
        return out;
    }

    explicit Obfuscated(QByteArray masked) : m_masked(std::move(masked)) {}

    /// The plain text.
    QString reveal() const;

    static constexpr std::uint8_t keyByte(std::size_t i)
    {
        return static_cast<std::uint8_t>(0xA5u ^ ((i * 29u + 7u) & 0xFFu));
    }

private:
    QByteArray m_masked;
};

} // namespace orvela::api
