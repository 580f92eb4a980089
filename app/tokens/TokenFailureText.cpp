#include "tokens/TokenFailureText.h"

#include "common/LocalizationTables.h"

namespace orvela::tokens {

using common::AppLanguage;
using Kind = TokenFailureKind;

namespace {

QString text(const char* key, AppLanguage language)
{
    return common::builtInText(QString::fromLatin1(key), language);
}

const char* cardKey(tokenkit::TokenError::Code code)
{
    using Code = tokenkit::TokenError::Code;
    switch (code) {
    case Code::transmitFailed:
        return "TokenFailure_Card_TransmitFailed";
    case Code::signFailed:
        return "TokenFailure_Card_SignFailed";
    case Code::sessionFailed:
        return "TokenFailure_Card_SessionFailed";
    case Code::invalidAPDU:
        return "TokenFailure_Card_InvalidApdu";
    case Code::authFailed:
        return "TokenFailure_Card_AuthFailed";
    case Code::keyGenFailed:
        return "TokenFailure_Card_KeyGenFailed";
    case Code::certificateNotFound:
        return "TokenFailure_Card_CertificateNotFound";
    case Code::certificateImportFailed:
        return "TokenFailure_Card_CertificateImportFailed";
    case Code::unsupportedAlgorithm:
        return "TokenFailure_Card_UnsupportedAlgorithm";
    case Code::secureMessagingFailed:
        return "TokenFailure_Card_SecureMessagingFailed";
    case Code::pinTooLong:
        return "TokenFailure_Card_PinTooLong";
    default:
        // The codes with a kind of their own never reach here; a status the card refused does.
        return "TokenFailure_Card_UnexpectedStatus";
    }
}

/// What happened and what to do, by kind; the detail is added by the caller.
struct Keys {
    const char* what;
    const char* advice; ///< nullptr when there is nothing to advise
};

Keys keysOf(const TokenFailure& failure, HintWording wording)
{
    switch (failure.kind) {
    case Kind::serviceNotRunning:
        return {"TokenFailure_ServiceNotRunning", "TokenAdvice_ServiceNotRunning"};
    case Kind::noReader:
        return {"TokenFailure_NoReader", "TokenAdvice_NoReader"};
    case Kind::noCard:
        return {"TokenFailure_NoCard", "TokenAdvice_NoCard"};
    case Kind::cardRemoved:
        return {"TokenFailure_CardRemoved", "TokenAdvice_CardRemoved"};
    case Kind::wrongPin:
        if (failure.retriesLeft) {
            return {"TokenFailure_WrongPinCounted", "TokenAdvice_WrongPin"};
        }
        return {"TokenFailure_WrongPin", "TokenAdvice_WrongPinUncounted"};
    case Kind::pinBlocked:
        return {"TokenFailure_PinBlocked", "TokenAdvice_PinBlocked"};
    case Kind::emptyPin:
        return {"Pin_Empty", "TokenAdvice_EmptyPin"};
    case Kind::noKey:
        if (wording == HintWording::desktop) {
            return {"TokenFailure_NoKey", "TokenAdvice_NoKey"};
        }
        // The command that makes a key depends on the road the failure came by.
        return {"TokenFailure_NoKey",
                failure.cardCode ? "TokenAdvice_NoKeyCommand" : "TokenAdvice_NoKeyCommandPkcs11"};
    case Kind::noObject:
        return {"TokenFailure_NoObject", "TokenAdvice_NoObject"};
    case Kind::libraryMissing:
        return {"TokenFailure_LibraryMissing", "TokenAdvice_LibraryMissing"};
    case Kind::noTokenInSlot:
        return {"TokenFailure_NoTokenInSlot", "TokenAdvice_NoTokenInSlot"};
    case Kind::libraryRefused:
        return {"TokenFailure_LibraryRefused", "TokenAdvice_TryAgain"};
    case Kind::cardRefused:
        if (!failure.cardCode) {
            return {"TokenFailure_ServiceError", "TokenAdvice_TryAgain"};
        }
        if (*failure.cardCode == tokenkit::TokenError::Code::pinTooLong) {
            return {cardKey(*failure.cardCode), "TokenAdvice_PinTooLong"};
        }
        return {cardKey(*failure.cardCode), "TokenAdvice_TryAgain"};
    case Kind::requestFailed:
        return {"TokenFailure_RequestFailed", "TokenAdvice_RequestFailed"};
    case Kind::other:
        break;
    }
    return {"TokenFailure_Other", nullptr};
}

QString hex(std::uint32_t value, int width)
{
    return QStringLiteral("%1").arg(value, width, 16, QLatin1Char('0')).toUpper();
}

QString codeText(const TokenReturnCode& code)
{
    switch (code.space) {
    case TokenReturnCode::Space::cryptoki:
        return QStringLiteral("CKR=0x") + hex(code.value, 8);
    case TokenReturnCode::Space::pcsc:
        return QStringLiteral("PC/SC 0x") + hex(code.value, 8);
    case TokenReturnCode::Space::cardStatus:
        return QStringLiteral("SW=") + hex(code.value, 4);
    }
    return {};
}

/// Kinds that say all a person needs; their step and code would only be noise.
bool explainsItself(Kind kind)
{
    switch (kind) {
    case Kind::libraryMissing:
    case Kind::libraryRefused:
    case Kind::cardRefused:
    case Kind::requestFailed:
    case Kind::other:
        return false;
    default:
        return true;
    }
}

QString detailOf(const TokenFailure& failure)
{
    if (explainsItself(failure.kind)) {
        return {};
    }
    QStringList parts;
    if (!failure.step.empty()) {
        parts << QString::fromStdString(failure.step);
    }
    if (failure.returnCode) {
        parts << codeText(*failure.returnCode);
    }
    if (!failure.detail.empty()) {
        parts << QString::fromStdString(failure.detail);
    }
    return parts.join(QStringLiteral(", "));
}

} // namespace

TokenFailureWords tokenFailureWords(const TokenFailure& failure, AppLanguage language,
                                    HintWording wording)
{
    const Keys keys = keysOf(failure, wording);
    TokenFailureWords words;
    words.what = text(keys.what, language);
    if (failure.kind == Kind::wrongPin && failure.retriesLeft) {
        words.what = words.what.arg(*failure.retriesLeft);
    }
    if (keys.advice != nullptr) {
        words.advice = text(keys.advice, language);
    }
    words.detail = detailOf(failure);
    return words;
}

QString tokenFailureText(const TokenFailure& failure, AppLanguage language, HintWording wording)
{
    const TokenFailureWords words = tokenFailureWords(failure, language, wording);
    QString sentence = words.what;
    if (!words.advice.isEmpty()) {
        sentence += u' ' + words.advice;
    }
    if (!words.detail.isEmpty()) {
        sentence +=
            QStringLiteral(" (%1 %2)").arg(text("TokenFailure_Details", language), words.detail);
    }
    return sentence;
}

} // namespace orvela::tokens
