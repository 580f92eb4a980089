#include "tokens/TokenWork.h"

#include "common/LocalizationTables.h"
#include "orvela/tokenkit/CSR.h"
#include "orvela/tokenkit/PKCS11Error.h"
#include "orvela/tokenkit/PcscError.h"
#include "orvela/tokenkit/TokenError.h"
#include "orvela/tokenkit/TokenManager.h"

#include <cstdint>

namespace orvela::tokens {

using common::AppLanguage;
using tokenkit::TokenError;

namespace {

// PC/SC codes by their standard values (the application does not see the PC/SC headers).
constexpr std::uint32_t kScardNoSmartcard = 0x8010000C;
constexpr std::uint32_t kScardUnknownReader = 0x80100009;
constexpr std::uint32_t kScardReaderUnavailable = 0x80100017;
constexpr std::uint32_t kScardNoService = 0x8010001D;
constexpr std::uint32_t kScardServiceStopped = 0x8010001E;
constexpr std::uint32_t kScardNoReadersAvailable = 0x8010002E;

// Cryptoki return values the diagnoses look at.
constexpr unsigned long kCkrDeviceRemoved = 0x32;
constexpr unsigned long kCkrPinIncorrect = 0xA0;
constexpr unsigned long kCkrPinLocked = 0xA4;
constexpr unsigned long kCkrTokenNotPresent = 0xE0;
constexpr unsigned long kCkrTokenNotRecognized = 0xE1; // a blank token (SoftHSM2's free slot)

// "Referenced data not found": the card holds no key for the command (after an erase, no PIN
// either).
constexpr std::uint16_t kStatusNoKey = 0x6A88;

QString text(const char* key, AppLanguage language)
{
    return common::builtInText(QString::fromLatin1(key), language);
}

QString utf8(const std::string& bytes)
{
    return QString::fromStdString(bytes);
}

/// "PREFIX value": a fixed text and the value it carries, one space between them.
QString withValue(const char* key, AppLanguage language, const QString& value)
{
    return text(key, language) + u' ' + value;
}

/// What follows the Mongolian prefix `key` (and its space) in a kit message: the value the
/// error carried, for errors that keep only the joined text.
QString carriedText(const std::string& description, const char* key)
{
    const QString joined = utf8(description);
    const QString prefix = text(key, AppLanguage::mn) + u' ';
    return joined.startsWith(prefix) ? joined.mid(prefix.size()) : joined;
}

QString hex(unsigned long value, int width)
{
    return QStringLiteral("%1").arg(value, width, 16, QLatin1Char('0')).toUpper();
}

const char* tokenErrorKey(TokenError::Code code)
{
    using Code = TokenError::Code;
    switch (code) {
    case Code::transmitFailed:
        return "TokenError_TransmitFailed";
    case Code::pinVerifyFailed:
        return "TokenError_PinVerifyFailed";
    case Code::signFailed:
        return "TokenError_SignFailed";
    case Code::unexpectedStatus:
        return "TokenError_UnexpectedStatus";
    case Code::readerNotConnected:
        return "TokenError_ReaderNotConnected";
    case Code::cardNotFound:
        return "TokenError_CardNotFound";
    case Code::sessionFailed:
        return "TokenError_SessionFailed";
    case Code::invalidAPDU:
        return "TokenError_InvalidApdu";
    case Code::authFailed:
        return "TokenError_AuthFailed";
    case Code::pinBlocked:
        return "TokenError_PinBlocked";
    case Code::keyGenFailed:
        return "TokenError_KeyGenFailed";
    case Code::certificateNotFound:
        return "TokenError_CertificateNotFound";
    case Code::certificateImportFailed:
        return "TokenError_CertificateImportFailed";
    case Code::unsupportedAlgorithm:
        return "TokenError_UnsupportedAlgorithm";
    case Code::secureMessagingFailed:
        return "TokenError_SecureMessagingFailed";
    case Code::pinTooLong:
        return "TokenError_PinTooLong";
    }
    return "TokenError_TransmitFailed";
}

QString tokenMessage(const TokenError& error, AppLanguage language)
{
    using Code = TokenError::Code;
    const char* key = tokenErrorKey(error.code());
    switch (error.code()) {
    case Code::transmitFailed:
    case Code::signFailed:
        return withValue(key, language, utf8(error.text()));
    case Code::pinVerifyFailed:
        return withValue(key, language, QString::number(error.retriesLeft())) + u' ' +
               text("TokenError_TriesLeft", language);
    case Code::unexpectedStatus:
        return text(key, language) + hex(error.status(), 4);
    default:
        return text(key, language);
    }
}

TokenDiagnosis diagnose(const TokenError& error)
{
    using Code = TokenError::Code;
    switch (error.code()) {
    case Code::readerNotConnected:
        return cardServiceRunning() ? TokenDiagnosis::noReader : TokenDiagnosis::serviceNotRunning;
    case Code::cardNotFound:
        return TokenDiagnosis::noCard;
    case Code::pinBlocked:
        return TokenDiagnosis::pinBlocked;
    case Code::pinVerifyFailed:
        // No try left is a blocked PIN, whatever the card called it.
        return error.retriesLeft() > 0 ? TokenDiagnosis::wrongPin : TokenDiagnosis::pinBlocked;
    case Code::unexpectedStatus:
        return error.status() == kStatusNoKey ? TokenDiagnosis::noKey : TokenDiagnosis::none;
    case Code::signFailed:
        return error.text() == "SW=" + hex(kStatusNoKey, 4).toStdString() ? TokenDiagnosis::noKey
                                                                          : TokenDiagnosis::none;
    default:
        return TokenDiagnosis::none;
    }
}

QString p11Message(const tokenkit::P11Error& error, AppLanguage language)
{
    using Code = tokenkit::P11Error::Code;
    switch (error.code()) {
    case Code::libraryNotFound:
        // The path and, when the loader gave one, its reason in parentheses (the system's text).
        return withValue("P11Error_LibraryNotFound", language,
                         carriedText(error.errorDescription(), "P11Error_LibraryNotFound"));
    case Code::symbolNotFound:
        return withValue("P11Error_SymbolNotFound", language, utf8(error.subject()));
    case Code::ckError:
        return utf8(error.subject()) + u' ' + text("P11Error_CallFailed", language) +
               hex(error.rv(), 8);
    }
    return utf8(error.errorDescription());
}

TokenDiagnosis diagnose(const tokenkit::P11Error& error)
{
    using Code = tokenkit::P11Error::Code;
    if (error.code() == Code::libraryNotFound) {
        return TokenDiagnosis::libraryMissing;
    }
    if (error.code() != Code::ckError) {
        return TokenDiagnosis::none;
    }
    const std::string& operation = error.subject();
    if (operation == "getSlotList (empty)" || error.rv() == kCkrTokenNotPresent ||
        error.rv() == kCkrTokenNotRecognized) {
        return TokenDiagnosis::noTokenInSlot;
    }
    if (operation == "findPrivateKey (not found)" || operation == "findPublicKey (not found)") {
        return TokenDiagnosis::noKey;
    }
    switch (error.rv()) {
    case kCkrPinIncorrect:
        return TokenDiagnosis::wrongPin;
    case kCkrPinLocked:
        return TokenDiagnosis::pinBlocked;
    case kCkrDeviceRemoved:
        return TokenDiagnosis::cardRemoved;
    default:
        return TokenDiagnosis::none;
    }
}

QString csrMessage(const tokenkit::CSRError& error, AppLanguage language)
{
    using Code = tokenkit::CSRError::Code;
    if (error.code() == Code::invalidPublicKey) {
        return text("CsrError_InvalidPublicKey", language);
    }
    // The error keeps only the joined text; the signer's own words follow the fixed prefix.
    const QString carried = carriedText(error.errorDescription(), "CsrError_SignerFailed");
    return withValue("CsrError_SignerFailed", language, carried);
}

TokenDiagnosis diagnose(const tokenkit::PcscError& error)
{
    switch (error.code()) {
    case kScardNoService:
    case kScardServiceStopped:
        return TokenDiagnosis::serviceNotRunning;
    case kScardNoReadersAvailable:
    case kScardUnknownReader:
    case kScardReaderUnavailable:
        return TokenDiagnosis::noReader;
    case kScardNoSmartcard:
        return TokenDiagnosis::noCard;
    case tokenkit::PcscError::removedCard:
        return TokenDiagnosis::cardRemoved;
    default:
        return TokenDiagnosis::none;
    }
}

QString hintOf(TokenDiagnosis diagnosis, std::optional<int> retriesLeft, AppLanguage language,
               HintWording wording)
{
    switch (diagnosis) {
    case TokenDiagnosis::none:
        return {};
    case TokenDiagnosis::serviceNotRunning:
        return text("TokenHint_ServiceNotRunning", language);
    case TokenDiagnosis::noReader:
        return text("TokenHint_NoReader", language);
    case TokenDiagnosis::noCard:
        return text("TokenHint_NoCard", language);
    case TokenDiagnosis::cardRemoved:
        return text("TokenHint_CardRemoved", language);
    case TokenDiagnosis::pinBlocked:
        return text("TokenHint_PinBlocked", language);
    case TokenDiagnosis::libraryMissing:
        return text("TokenHint_LibraryMissing", language);
    case TokenDiagnosis::noTokenInSlot:
        return text("TokenHint_NoTokenInSlot", language);
    case TokenDiagnosis::noKey:
        return text(wording == HintWording::commandLine ? "TokenHint_NoKeyCommand"
                                                        : "TokenHint_NoKey",
                    language);
    case TokenDiagnosis::wrongPin:
        if (retriesLeft) {
            return withValue("TokenHint_WrongPin", language, QString::number(*retriesLeft)) + u'.';
        }
        return text("TokenHint_WrongPinUncounted", language);
    }
    return {};
}

TokenFailure failed(QString message, TokenDiagnosis diagnosis = TokenDiagnosis::none)
{
    TokenFailure failure;
    failure.message = std::move(message);
    failure.diagnosis = diagnosis;
    return failure;
}

TokenFailure failureWithoutHint(const std::exception& error, AppLanguage language)
{
    if (const auto* token = dynamic_cast<const TokenError*>(&error)) {
        TokenFailure failure = failed(tokenMessage(*token, language), diagnose(*token));
        failure.cardGone = token->code() == TokenError::Code::cardNotFound ||
                           token->code() == TokenError::Code::readerNotConnected;
        if (failure.diagnosis == TokenDiagnosis::wrongPin) {
            failure.retriesLeft = token->retriesLeft();
        }
        return failure;
    }
    if (const auto* p11 = dynamic_cast<const tokenkit::P11Error*>(&error)) {
        return failed(p11Message(*p11, language), diagnose(*p11));
    }
    if (const auto* csr = dynamic_cast<const tokenkit::CSRError*>(&error)) {
        return failed(csrMessage(*csr, language));
    }
    if (const auto* pcsc = dynamic_cast<const tokenkit::PcscError*>(&error)) {
        TokenFailure failure = failed(QString::fromUtf8(pcsc->what()), diagnose(*pcsc));
        failure.cardGone = failure.diagnosis == TokenDiagnosis::cardRemoved;
        return failure;
    }
    return failed(QString::fromUtf8(error.what()));
}

} // namespace

TokenFailure failureOf(const std::exception& error, AppLanguage language, HintWording wording)
{
    TokenFailure failure = failureWithoutHint(error, language);
    failure.hint = hintOf(failure.diagnosis, failure.retriesLeft, language, wording);
    return failure;
}

bool cardServiceRunning()
{
    try {
        tokenkit::TokenManager::shared().backend()->listReaders();
        return true;
    } catch (const TokenError&) {
        return false; // the kit's word for "no PC/SC service"
    } catch (const tokenkit::PcscError&) {
        return true; // the service answered, if only with a failure
    }
}

namespace {

// Never destroyed: work still running at exit must not be joined from a static destructor
// after the kit's own statics are gone.
QThreadPool* singleThreadPool(const QString& name)
{
    auto* pool = new QThreadPool;
    pool->setMaxThreadCount(1);
    pool->setObjectName(name);
    return pool;
}

} // namespace

QThreadPool& cardWorker()
{
    static QThreadPool* const pool = singleThreadPool(QStringLiteral("card-worker"));
    return *pool;
}

QThreadPool& pkcs11Worker()
{
    static QThreadPool* const pool = singleThreadPool(QStringLiteral("pkcs11-worker"));
    return *pool;
}

} // namespace orvela::tokens
