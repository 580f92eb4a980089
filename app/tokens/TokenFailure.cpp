#include "tokens/TokenFailure.h"

#include "orvela/tokenkit/CSR.h"
#include "orvela/tokenkit/CardReaders.h"
#include "orvela/tokenkit/PKCS11Error.h"
#include "orvela/tokenkit/PcscError.h"

namespace orvela::tokens {

using Kind = TokenFailureKind;
using tokenkit::TokenError;

namespace {

// PC/SC codes by their standard values (the application does not see the PC/SC headers).
constexpr std::uint32_t kScardNoSmartcard = 0x8010000C;
constexpr std::uint32_t kScardUnknownReader = 0x80100009;
constexpr std::uint32_t kScardReaderUnavailable = 0x80100017;
constexpr std::uint32_t kScardNoService = 0x8010001D;
constexpr std::uint32_t kScardServiceStopped = 0x8010001E;
constexpr std::uint32_t kScardNoReadersAvailable = 0x8010002E;

// Cryptoki return values a person can act on.
constexpr unsigned long kCkrDeviceRemoved = 0x32;
constexpr unsigned long kCkrPinIncorrect = 0xA0;
constexpr unsigned long kCkrPinLocked = 0xA4;
constexpr unsigned long kCkrTokenNotPresent = 0xE0;
constexpr unsigned long kCkrTokenNotRecognized = 0xE1; // a blank token (SoftHSM2's free slot)

// The module's own lookups that found nothing; they carry no return code (rv 0).
constexpr const char* kNoSlot = "getSlotList (empty)";
constexpr const char* kNoPrivateKey = "findPrivateKey (not found)";
constexpr const char* kNoPublicKey = "findPublicKey (not found)";
constexpr const char* kNoObject = "object_not_found";

// "Referenced data not found": the card holds no key for the command (after an erase, no PIN
// either).
constexpr std::uint16_t kStatusNoKey = 0x6A88;
constexpr const char* kSignedNoKey = "SW=6A88";

TokenReturnCode status(std::uint16_t word)
{
    return {TokenReturnCode::Space::cardStatus, word};
}

/// `readers` is asked whether the card service runs; with none, a reader that is not
/// connected is just not there.
Kind kindOf(const TokenError& error, const tokenkit::CardReaders* readers)
{
    using Code = TokenError::Code;
    switch (error.code()) {
    case Code::readerNotConnected:
        return !readers || cardServiceRunning(*readers) ? Kind::noReader : Kind::serviceNotRunning;
    case Code::cardNotFound:
        return Kind::noCard;
    case Code::pinBlocked:
        return Kind::pinBlocked;
    case Code::pinVerifyFailed:
        // No try left is a blocked PIN, whatever the card called it.
        return error.retriesLeft() > 0 ? Kind::wrongPin : Kind::pinBlocked;
    case Code::pinEmpty:
        return Kind::emptyPin;
    case Code::unexpectedStatus:
        return error.status() == kStatusNoKey ? Kind::noKey : Kind::cardRefused;
    case Code::signFailed:
        return error.text() == kSignedNoKey ? Kind::noKey : Kind::cardRefused;
    default:
        return Kind::cardRefused;
    }
}

TokenFailure cardFailure(const TokenError& error, const tokenkit::CardReaders* readers)
{
    using Code = TokenError::Code;
    TokenFailure failure;
    failure.kind = kindOf(error, readers);
    failure.cardCode = error.code();
    failure.cardGone =
        error.code() == Code::cardNotFound || error.code() == Code::readerNotConnected;
    switch (error.code()) {
    case Code::pinVerifyFailed:
        failure.retriesLeft = error.retriesLeft();
        break;
    case Code::unexpectedStatus:
        failure.returnCode = status(error.status());
        break;
    case Code::transmitFailed:
    case Code::signFailed:
        failure.detail = error.text();
        break;
    default:
        break;
    }
    return failure;
}

Kind kindOf(const tokenkit::P11Error& error)
{
    using Code = tokenkit::P11Error::Code;
    if (error.code() == Code::libraryNotFound) {
        return Kind::libraryMissing;
    }
    if (error.code() == Code::symbolNotFound) {
        return Kind::libraryRefused;
    }
    const std::string& operation = error.subject();
    if (operation == kNoSlot || error.rv() == kCkrTokenNotPresent ||
        error.rv() == kCkrTokenNotRecognized) {
        return Kind::noTokenInSlot;
    }
    if (operation == kNoPrivateKey || operation == kNoPublicKey) {
        return Kind::noKey;
    }
    if (operation == kNoObject) {
        return Kind::noObject;
    }
    switch (error.rv()) {
    case kCkrPinIncorrect:
        return Kind::wrongPin;
    case kCkrPinLocked:
        return Kind::pinBlocked;
    case kCkrDeviceRemoved:
        return Kind::cardRemoved;
    default:
        return Kind::libraryRefused;
    }
}

TokenFailure pkcs11Failure(const tokenkit::P11Error& error)
{
    using Code = tokenkit::P11Error::Code;
    TokenFailure failure;
    failure.kind = kindOf(error);
    failure.cardGone = failure.kind == Kind::cardRemoved;
    if (error.code() == Code::libraryNotFound) {
        failure.detail = error.subject();
        if (!error.reason().empty()) {
            failure.detail += " (" + error.reason() + ")";
        }
        return failure;
    }
    failure.step = error.subject();
    // The module's own lookups answer no code: a zero here would read as success.
    if (error.code() == Code::ckError && error.rv() != 0) {
        failure.returnCode = {TokenReturnCode::Space::cryptoki,
                              static_cast<std::uint32_t>(error.rv())};
    }
    return failure;
}

Kind kindOf(const tokenkit::PcscError& error)
{
    switch (error.code()) {
    case kScardNoService:
    case kScardServiceStopped:
        return Kind::serviceNotRunning;
    case kScardNoReadersAvailable:
    case kScardUnknownReader:
    case kScardReaderUnavailable:
        return Kind::noReader;
    case kScardNoSmartcard:
        return Kind::noCard;
    case tokenkit::PcscError::removedCard:
        return Kind::cardRemoved;
    default:
        return Kind::cardRefused;
    }
}

TokenFailure pcscFailure(const tokenkit::PcscError& error)
{
    TokenFailure failure;
    failure.kind = kindOf(error);
    failure.cardGone = failure.kind == Kind::cardRemoved || failure.kind == Kind::noCard;
    failure.step = error.call();
    failure.returnCode = {TokenReturnCode::Space::pcsc, error.code()};
    failure.detail = error.text();
    return failure;
}

} // namespace

TokenFailure failureOfKind(TokenFailureKind kind)
{
    TokenFailure failure;
    failure.kind = kind;
    return failure;
}

namespace {

TokenFailure classify(const std::exception& error, const tokenkit::CardReaders* readers)
{
    if (const auto* token = dynamic_cast<const TokenError*>(&error)) {
        return cardFailure(*token, readers);
    }
    if (const auto* p11 = dynamic_cast<const tokenkit::P11Error*>(&error)) {
        return pkcs11Failure(*p11);
    }
    if (const auto* csr = dynamic_cast<const tokenkit::CSRError*>(&error)) {
        TokenFailure failure = failureOfKind(Kind::requestFailed);
        failure.detail = csr->detail();
        return failure;
    }
    if (const auto* pcsc = dynamic_cast<const tokenkit::PcscError*>(&error)) {
        return pcscFailure(*pcsc);
    }
    TokenFailure failure = failureOfKind(Kind::other);
    failure.detail = error.what();
    return failure;
}

} // namespace

TokenFailure failureOf(const std::exception& error, const tokenkit::CardReaders& readers)
{
    return classify(error, &readers);
}

TokenFailure failureOf(const std::exception& error)
{
    return classify(error, nullptr);
}

bool cardServiceRunning(const tokenkit::CardReaders& readers)
{
    try {
        readers.backend()->listReaders();
        return true;
    } catch (const TokenError&) {
        return false; // the kit's word for "no PC/SC service"
    } catch (const tokenkit::PcscError&) {
        return true; // the service answered, if only with a failure
    }
}

} // namespace orvela::tokens
