#pragma once

#include "api/ApiError.h"
#include "common/AppLanguage.h"

#include <QString>
#include <optional>

namespace orvela::signin {

/// Why a sign-in ended without the person signed in, as a value with no words in it: the
/// controller keeps it, and the screen or `orvela login` words it (loginFailureText) in the
/// language of the moment, so a message already shown follows a language switch.
struct LoginFailure {
    enum class Kind {
        qrUnencodable, ///< the server's sign-in text is too long for any QR code
        call,          ///< a backend call failed: `call` says how
        declined,      ///< the person declined on the phone
        timedOut,      ///< the session ran out before the phone answered
        endedWith,     ///< another end result: `detail` holds its code
        failed,        ///< a completed session without an end result
        serviceError,  ///< the backend's own "error": `detail`, in whatever language it came
    };
    Kind kind = Kind::failed;
    /// It happened while the QR code was being made: worded after the QR tab's prefix.
    bool qr = false;
    QString detail;
    std::optional<api::CallError> call;

    bool operator==(const LoginFailure&) const = default;
};

/// `failure` in words, in `language`.
QString loginFailureText(const LoginFailure& failure, common::AppLanguage language);

} // namespace orvela::signin
