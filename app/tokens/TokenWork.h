#pragma once

#include "common/AppLanguage.h"
#include "common/PoolTask.h"

#include <QString>
#include <QThreadPool>
#include <exception>
#include <optional>
#include <type_traits>
#include <variant>

namespace orvela::tokens {

/// What a person can do about a token failure. `none` when the message says all there is.
enum class TokenDiagnosis {
    none,
    serviceNotRunning, ///< the PC/SC service (pcscd) is not running
    noReader,          ///< the service runs but the reader asked for is not there
    noCard,            ///< the reader holds no card (or the token is not plugged in)
    cardRemoved,       ///< the card went away in the middle of the work
    pinBlocked,        ///< the user PIN is blocked
    wrongPin,          ///< the PIN was wrong; retriesLeft has the tries left when known
    noKey,             ///< the token holds no key to work with (status 6A88, or none found)
    libraryMissing,    ///< the PKCS#11 library could not be loaded
    noTokenInSlot,     ///< the PKCS#11 library sees no token
};

/// Whom a hint addresses: the windows ("generate a signing key") or the command line (names
/// the `orvela` command that does it).
enum class HintWording { desktop, commandLine };

/// Why token work failed, as the screens show it: the message of the lower layer's error in the
/// language asked for, whether the card (or its reader) was gone, and what to do about it.
struct TokenFailure {
    QString message;
    bool cardGone = false;
    TokenDiagnosis diagnosis = TokenDiagnosis::none;
    /// One sentence, in the message's language, saying what to do; empty for `none`.
    QString hint;
    /// Tries left of a wrong PIN when the token told them (the card road does, PKCS#11 not).
    std::optional<int> retriesLeft;
};

/// The message of any error of the token layers in `language`, chosen by the error's kind
/// (TokenError::Code, P11Error's code with its operation and CK return value, CSRError::Code,
/// PcscError's code), with its diagnosis and hint. In Mongolian the message is the lower
/// layer's own fixed text, word for word; a PcscError keeps the service's own text in both
/// languages. TokenError::readerNotConnected is told apart by asking the reader backend
/// whether the PC/SC service answers: "not running" or "no such reader" (a round trip to the
/// service, so off the interface thread, as captureOutcome runs it). Any other exception gives
/// its what(). A command-line `token readers` that lists none can word its diagnosis from
/// failureOf(TokenError::readerNotConnected(), language, HintWording::commandLine).
TokenFailure failureOf(const std::exception& error,
                       common::AppLanguage language = common::AppLanguage::mn,
                       HintWording wording = HintWording::desktop);

/// True when the PC/SC service answers a reader listing (with or without readers). Blocks for
/// one round trip to the service; never call it on the interface thread.
bool cardServiceRunning();

/// A value, or the failure that took its place.
template <class T> struct TokenOutcome {
    std::optional<T> value;
    TokenFailure failure;
    bool ok() const { return value.has_value(); }
};

/// The one card worker: one thread, so card sessions run strictly one after another.
QThreadPool& cardWorker();

/// Runs `work` here and now, catching its error as the failure of the outcome.
template <class Work> auto captureOutcome(Work& work)
{
    using Raw = std::invoke_result_t<Work&>;
    using Value = std::conditional_t<std::is_void_v<Raw>, std::monostate, Raw>;
    TokenOutcome<Value> outcome;
    try {
        if constexpr (std::is_void_v<Raw>) {
            work();
            outcome.value.emplace();
        } else {
            outcome.value.emplace(work());
        }
    } catch (const std::exception& error) {
        outcome.failure = failureOf(error);
    }
    return outcome;
}

/// Runs card work on the card worker and hands its TokenOutcome to `done` on `context`'s
/// thread; when `context` is gone first, `done` never runs (the work itself still finishes,
/// as a card session cannot be cut short safely).
template <class Work, class Done> void runCardWork(QObject* context, Work work, Done done)
{
    common::runOnPool(
        &cardWorker(), context, [work = std::move(work)]() mutable { return captureOutcome(work); },
        std::move(done));
}

/// Where PKCS#11 actions run: one thread, so they never overlap. Every action opens the same
/// library, and one action's C_Finalize pulls the library out from under another that is
/// still working (CKR_CRYPTOKI_NOT_INITIALIZED at best, a crash inside the library at worst).
QThreadPool& pkcs11Worker();

/// Runs one PKCS#11 action in a task of its own on the PKCS#11 worker, with the same hand-back
/// as runCardWork.
template <class Work, class Done> void runPkcs11Work(QObject* context, Work work, Done done)
{
    common::runOnPool(
        &pkcs11Worker(), context,
        [work = std::move(work)]() mutable { return captureOutcome(work); }, std::move(done));
}

} // namespace orvela::tokens
