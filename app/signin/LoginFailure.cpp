#include "signin/LoginFailure.h"

#include "common/LocalizationTables.h"

namespace orvela::signin {

namespace {

QString text(const char* key, common::AppLanguage language)
{
    return common::builtInText(QString::fromLatin1(key), language);
}

/// The failure's own words, without the QR tab's prefix.
QString bareText(const LoginFailure& failure, common::AppLanguage language)
{
    using Kind = LoginFailure::Kind;
    switch (failure.kind) {
    case Kind::qrUnencodable:
        return text("Login_Error_QrUnencodable", language);
    case Kind::call:
        return failure.call ? api::errorMessage(*failure.call, language) : QString();
    case Kind::declined:
        return text("Login_Error_UserRefused", language);
    case Kind::timedOut:
        return text("Login_Error_TimedOut", language);
    case Kind::endedWith:
        return text("Login_Error_FailedWith", language) + QStringLiteral(" (") + failure.detail +
               QStringLiteral(").");
    case Kind::failed:
        return text("Login_Error_Failed", language);
    case Kind::serviceError:
        return failure.detail;
    }
    return {};
}

} // namespace

QString loginFailureText(const LoginFailure& failure, common::AppLanguage language)
{
    const QString words = bareText(failure, language);
    return failure.qr ? text("Login_Error_QrFailed", language) + u' ' + words : words;
}

} // namespace orvela::signin
