#include "Diagnosis.h"

#include "CliLocalization.h"
#include "orvela/tokenkit/PKCS11Error.h"
#include "orvela/tokenkit/PcscError.h"
#include "orvela/tokenkit/TokenError.h"
#include "orvela/tokenkit/TokenManager.h"

namespace orvela::cli {

namespace {

using tokenkit::P11Error;
using tokenkit::PcscError;
using tokenkit::TokenError;

// Cryptoki return values that say the slot has no usable token or the PIN is locked.
constexpr unsigned long kSlotIdInvalid = 0x03;
constexpr unsigned long kPinLocked = 0xA4;
constexpr unsigned long kTokenNotPresent = 0xE0;
constexpr unsigned long kTokenNotRecognized = 0xE1;
// PC/SC: no card in the reader.
constexpr std::uint32_t kNoSmartcard = 0x8010000C;
// ISO 7816: referenced data (here: the signing key) not found.
constexpr std::uint16_t kReferenceNotFound = 0x6A88;

Diagnosis said(const char* reason, const char* key)
{
    return {QString::fromLatin1(reason), cliText(key)};
}

/// The kit reads a stopped service and a reader index past the end alike; ask again.
Diagnosis readerMissing(std::optional<int> reader)
{
    try {
        const auto names = tokenkit::TokenManager::shared().backend()->listReaders();
        if (names.empty()) {
            return said("no-reader", "Cli_Diag_NoReader");
        }
        return {QStringLiteral("no-such-reader"),
                cliText("Cli_Diag_NoSuchReader").arg(reader.value_or(0))};
    } catch (const std::exception&) {
        return said("pcscd-not-running", "Cli_Diag_PcscDown");
    }
}

bool namesMissingKey(const TokenError& error)
{
    return error.status() == kReferenceNotFound ||
           QString::fromStdString(error.text()).contains(QStringLiteral("SW=6A88"));
}

std::optional<Diagnosis> ofTokenError(const TokenError& error, std::optional<int> reader)
{
    switch (error.code()) {
    case TokenError::Code::readerNotConnected:
        return readerMissing(reader);
    case TokenError::Code::cardNotFound:
        return said("no-card", "Cli_Diag_NoCard");
    case TokenError::Code::pinBlocked:
        return said("pin-blocked", "Cli_Diag_PinBlocked");
    default:
        break;
    }
    if (namesMissingKey(error)) {
        return said("no-key", "Cli_Diag_NoKey");
    }
    return std::nullopt;
}

std::optional<Diagnosis> ofP11Error(const P11Error& error)
{
    if (error.code() == P11Error::Code::libraryNotFound) {
        // The path and, when the loader said why, its reason: "/x.so (No such file ...)".
        const QString message = QString::fromStdString(error.errorDescription());
        const QString path = QString::fromStdString(error.subject());
        const qsizetype at = message.indexOf(path);
        return Diagnosis{QStringLiteral("no-pkcs11-library"),
                         cliText("Cli_Diag_NoLibrary").arg(at < 0 ? path : message.mid(at))};
    }
    if (error.code() != P11Error::Code::ckError) {
        return std::nullopt;
    }
    switch (error.rv()) {
    case kSlotIdInvalid:
    case kTokenNotPresent:
    case kTokenNotRecognized:
        return said("no-token", "Cli_Diag_NoToken");
    case kPinLocked:
        return said("pin-blocked", "Cli_Diag_PinBlocked");
    default:
        return std::nullopt;
    }
}

} // namespace

std::optional<Diagnosis> diagnose(const std::exception& error, std::optional<int> reader)
{
    if (const auto* token = dynamic_cast<const TokenError*>(&error)) {
        return ofTokenError(*token, reader);
    }
    if (const auto* pcsc = dynamic_cast<const PcscError*>(&error)) {
        if (pcsc->code() == PcscError::removedCard || pcsc->code() == PcscError::resetCard) {
            return said("card-removed", "Cli_Diag_CardRemoved");
        }
        if (pcsc->code() == kNoSmartcard) {
            return said("no-card", "Cli_Diag_NoCard");
        }
        return std::nullopt;
    }
    if (const auto* p11 = dynamic_cast<const P11Error*>(&error)) {
        return ofP11Error(*p11);
    }
    return std::nullopt;
}

} // namespace orvela::cli
