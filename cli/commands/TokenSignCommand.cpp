#include "CliHelp.h"
#include "CliLocalization.h"
#include "CliOutput.h"
#include "commands/TokenCommandSupport.h"
#include "commands/TokenCommands.h"
#include "common/LocalInput.h"
#include "common/LocalizationService.h"
#include "orvela/tokenkit/Digest.h"
#include "tokens/TokenCard.h"

#include <algorithm>
#include <array>
#include <memory>
#include <openssl/bn.h>
#include <openssl/ecdsa.h>
#include <optional>
#include <stdexcept>

namespace orvela::cli::token {

using tokenkit::Bytes;

namespace {

Bytes hashOfFile(const QString& path)
{
    const common::LocalInput input = common::readLocalFile(path, common::inputLimit::document);
    if (const auto* error = std::get_if<common::LocalInputError>(&input)) {
        throw std::runtime_error(
            common::localInputMessage(*error, common::LocalizationService::shared()).toStdString());
    }
    const auto& content = std::get<QByteArray>(input);
    return tokenkit::sha256(tokenkit::ByteView(
        reinterpret_cast<const std::uint8_t*>(content.constData()), content.size()));
}

/// True when `value`, 32 big-endian bytes, is a valid r or s of P-256: from 1 to the order - 1.
bool inP256Range(const std::uint8_t* value)
{
    static constexpr std::array<std::uint8_t, 32> order{
        0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF,
        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xBC, 0xE6, 0xFA, 0xAD, 0xA7, 0x17,
        0x9E, 0x84, 0xF3, 0xB9, 0xCA, 0xC2, 0xFC, 0x63, 0x25, 0x51};
    const bool zero = std::all_of(value, value + 32, [](std::uint8_t b) { return b == 0; });
    return !zero && std::lexicographical_compare(value, value + 32, order.begin(), order.end());
}

/// r and s of a DER ECDSA-Sig-Value as 64 bytes r‖s; nothing unless the bytes are exactly one
/// such value in strict DER, with integers no longer than P-256's.
std::optional<Bytes> rsOfDer(const Bytes& der)
{
    const unsigned char* cursor = der.data();
    std::unique_ptr<ECDSA_SIG, decltype(&ECDSA_SIG_free)> value(
        d2i_ECDSA_SIG(nullptr, &cursor, static_cast<long>(der.size())), &ECDSA_SIG_free);
    if (!value || cursor != der.data() + der.size() ||
        i2d_ECDSA_SIG(value.get(), nullptr) != static_cast<int>(der.size())) {
        return std::nullopt;
    }
    Bytes rs(64);
    const BIGNUM* r = ECDSA_SIG_get0_r(value.get());
    const BIGNUM* s = ECDSA_SIG_get0_s(value.get());
    if (BN_is_negative(r) || BN_is_negative(s) || BN_bn2binpad(r, rs.data(), 32) != 32 ||
        BN_bn2binpad(s, rs.data() + 32, 32) != 32) {
        return std::nullopt;
    }
    return rs;
}

/// Whatever a token answers is printed as a signature only when it is one: 64 bytes r‖s, or a
/// DER ECDSA-Sig-Value, with r and s in P-256's range.
bool isP256Signature(const Bytes& reply)
{
    const std::optional<Bytes> rs = reply.size() == 64 ? std::optional(reply) : rsOfDer(reply);
    return rs && inP256Range(rs->data()) && inP256Range(rs->data() + 32);
}

} // namespace

int runSign(CliContext& context)
{
    const bool byHash = context.isSet(QStringLiteral("hash"));
    if (byHash == context.isSet(QStringLiteral("file"))) {
        return usageError(context, cliText("Cli_Usage_HashOrFile"));
    }
    Bytes givenHash;
    if (byHash) {
        const auto digest = digestOption(context.value(QStringLiteral("hash")));
        if (!digest) {
            return usageError(context, cliText("Cli_Usage_HashHex"));
        }
        givenHash = *digest;
    }
    return runOnReader(context, [&](const ReaderAccess& readers, int reader) {
        const Bytes hash = byHash ? givenHash : hashOfFile(context.value(QStringLiteral("file")));
        const Bytes signature = tokens::signWithCard(*readers, reader, hash);
        if (!isP256Signature(signature)) {
            throw std::runtime_error(
                (cliText("Cli_Token_NotASignature") + u' ' + QString::number(signature.size()))
                    .toStdString());
        }
        const QString text = QString::fromStdString(tokenkit::bytesToHex(signature));
        if (context.json) {
            printJson(QJsonObject{{QStringLiteral("signature"), text}});
        } else {
            printLine(text);
        }
        return 0;
    });
}

} // namespace orvela::cli::token
