#include "tokens/TokenTypes.h"

#include <array>
#include <utility>

namespace orvela::tokens {

namespace {

template <class Enum, std::size_t N>
using RawTable = std::array<std::pair<Enum, const char*>, N>;

constexpr RawTable<TokenBackend, 2> kBackends{{
    {TokenBackend::pkcs11, "Pkcs11"},
    {TokenBackend::macKeychain, "MacKeychain"},
}};
constexpr RawTable<TokenObjectKind, 4> kKinds{{
    {TokenObjectKind::privateKey, "privateKey"},
    {TokenObjectKind::publicKey, "publicKey"},
    {TokenObjectKind::certificate, "certificate"},
    {TokenObjectKind::data, "data"},
}};
constexpr RawTable<SigningAlg, 6> kSigningAlgs{{
    {SigningAlg::rsaSha256, "RSA-SHA256"},
    {SigningAlg::rsaSha384, "RSA-SHA384"},
    {SigningAlg::rsaSha512, "RSA-SHA512"},
    {SigningAlg::ecdsaSha256, "ECDSA-SHA256"},
    {SigningAlg::ecdsaSha384, "ECDSA-SHA384"},
    {SigningAlg::ecdsaSha512, "ECDSA-SHA512"},
}};
constexpr RawTable<KeyAlgorithm, 4> kKeyAlgorithms{{
    {KeyAlgorithm::rsa, "RSA"},
    {KeyAlgorithm::ecP256, "EC-P256"},
    {KeyAlgorithm::ecP384, "EC-P384"},
    {KeyAlgorithm::ecP521, "EC-P521"},
}};

template <class Enum, std::size_t N> QString toRaw(const RawTable<Enum, N>& table, Enum value)
{
    for (const auto& [member, raw] : table) {
        if (member == value) {
            return QString::fromLatin1(raw);
        }
    }
    return {};
}

template <class Enum, std::size_t N>
std::optional<Enum> fromRaw(const RawTable<Enum, N>& table, const QString& raw)
{
    for (const auto& [member, text] : table) {
        if (raw == QLatin1String(text)) {
            return member;
        }
    }
    return std::nullopt;
}

} // namespace

QString rawValue(TokenBackend value) { return toRaw(kBackends, value); }
QString rawValue(TokenObjectKind value) { return toRaw(kKinds, value); }
QString rawValue(SigningAlg value) { return toRaw(kSigningAlgs, value); }
QString rawValue(KeyAlgorithm value) { return toRaw(kKeyAlgorithms, value); }

std::optional<TokenBackend> tokenBackendFromRaw(const QString& raw)
{
    return fromRaw(kBackends, raw);
}
std::optional<TokenObjectKind> tokenObjectKindFromRaw(const QString& raw)
{
    return fromRaw(kKinds, raw);
}
std::optional<SigningAlg> signingAlgFromRaw(const QString& raw)
{
    return fromRaw(kSigningAlgs, raw);
}
std::optional<KeyAlgorithm> keyAlgorithmFromRaw(const QString& raw)
{
    return fromRaw(kKeyAlgorithms, raw);
}

} // namespace orvela::tokens
