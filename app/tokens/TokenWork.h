#pragma once

#include "common/PoolTask.h"
#include "orvela/tokenkit/CardReaders.h"
#include "tokens/TokenFailure.h"

#include <QThreadPool>
#include <exception>
#include <memory>
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
/// it is worded where it is shown). `classify` turns the error into that failure.
template <class Work, class Classify> auto captureOutcome(Work& work, const Classify& classify)
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
        outcome.failure = classify(error);
    }
    return outcome;
}

/// captureOutcome for work on the card readers of `readers`, which are asked whether the card
/// service runs when a reader is not connected.
template <class Work> auto captureOutcome(Work& work, const tokenkit::CardReaders& readers)
{
    return captureOutcome(work,
                          [&](const std::exception& error) { return failureOf(error, readers); });
}

/// Runs card work on the card worker and hands its TokenOutcome to `done` on `context`'s
/// thread; when `context` is gone first, `done` never runs (the work itself still finishes,
/// as a card session cannot be cut short safely). The task holds `readers`, the reader access
/// the work uses, until it ends, so they outlive every session even past their owner. Without
/// readers, work that needs them fails as TokenProvisioner does (a std::logic_error), and no
/// card service is asked.
template <class Work, class Done>
void runCardWork(QObject* context, std::shared_ptr<tokenkit::CardReaders> readers, Work work,
                 Done done)
{
    common::runOnPool(
        &cardWorker(), context,
        [readers = std::move(readers), work = std::move(work)]() mutable {
            if (!readers) {
                return captureOutcome(work,
                                      [](const std::exception& error) { return failureOf(error); });
            }
            return captureOutcome(work, *readers);
        },
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
        [work = std::move(work)]() mutable {
            return captureOutcome(work,
                                  [](const std::exception& error) { return failureOf(error); });
        },
        std::move(done));
}

} // namespace orvela::tokens
