#pragma once

#include "common/PoolTask.h"
#include "tokens/TokenFailure.h"

#include <QThreadPool>
#include <exception>
#include <optional>
#include <type_traits>
#include <variant>

namespace orvela::tokens {

/// A value, or the failure that took its place.
template <class T> struct TokenOutcome {
    std::optional<T> value;
    TokenFailure failure;
    bool ok() const { return value.has_value(); }
};

/// The one card worker: one thread, so card sessions run strictly one after another.
QThreadPool& cardWorker();

/// Runs `work` here and now, catching its error as the failure of the outcome (a typed value:
/// it is worded where it is shown).
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
