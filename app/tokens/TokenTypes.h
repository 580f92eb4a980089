#pragma once

#include <QString>
#include <optional>

namespace orvela::tokens {

// The application's names for token backends, objects and algorithms. Only EC P-256 with
// ECDSA over SHA-256 has an operation behind it; the other members are vocabulary.

enum class TokenBackend { pkcs11, macKeychain };
enum class TokenObjectKind { privateKey, publicKey, certificate, data };
enum class SigningAlg { rsaSha256, rsaSha384, rsaSha512, ecdsaSha256, ecdsaSha384, ecdsaSha512 };
enum class KeyAlgorithm { rsa, ecP256, ecP384, ecP521 };

/// Raw values ("Pkcs11", "privateKey", "ECDSA-SHA256", "EC-P256", ...) and back; nothing for
/// any other text.
QString rawValue(TokenBackend value);
QString rawValue(TokenObjectKind value);
QString rawValue(SigningAlg value);
QString rawValue(KeyAlgorithm value);
std::optional<TokenBackend> tokenBackendFromRaw(const QString& raw);
std::optional<TokenObjectKind> tokenObjectKindFromRaw(const QString& raw);
std::optional<SigningAlg> signingAlgFromRaw(const QString& raw);
std::optional<KeyAlgorithm> keyAlgorithmFromRaw(const QString& raw);

struct TokenInfo {
    QString id;
    QString label;
    QString manufacturer;
    QString serialNumber;
    QString model;
    TokenBackend backend = TokenBackend::pkcs11;
    bool removable = false;
    bool hardwareSlot = false;
    bool isLoggedIn = false;
    bool operator==(const TokenInfo&) const = default;
};

struct TokenObject {
    QString id;
    std::optional<QString> label;
    TokenObjectKind kind = TokenObjectKind::data;
    QString keyAlgorithm;
    int keyBits = 0;
    bool canSign = false;
    bool canDecrypt = false;
    bool operator==(const TokenObject&) const = default;
};

struct KeyParams {
    KeyAlgorithm algorithm = KeyAlgorithm::ecP256;
    int rsaBits = 0;
    QString label;
    bool sensitive = true;
    bool extractable = false;
    bool operator==(const KeyParams&) const = default;
};

} // namespace orvela::tokens
