#pragma once

#include "orvela/tokenkit/Bytes.h"
#include "orvela/tokenkit/Log.h"
#include "orvela/tokenkit/ReaderBackend.h"
#include "orvela/tokenkit/SmartCard.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace orvela::tokenkit {

/// Lists card readers, reads a card's ATR and runs work inside one exclusive card session.
/// A reader is addressed by its index in the list read at the moment of the call.
/// Thread-safe; sessions are not serialised here, the platform's exclusive session is.
/// There is no process-wide instance: a program makes one and hands it to whatever reaches the
/// readers, and keeps it alive while card work may still run.
class CardReaders {
public:
    explicit CardReaders(std::shared_ptr<ReaderBackend> backend);

    /// Replaces the reader backend. Sessions already open keep the backend they started on.
    void setBackend(std::shared_ptr<ReaderBackend> backend);

    /// The backend sessions open on now, so that a watcher watches the same readers.
    std::shared_ptr<ReaderBackend> backend() const;

    /// Reader names; empty when there are none or the card service is unavailable.
    std::vector<std::string> getReaderNames();

    /// True when at least one reader is attached.
    bool hasReader();

    /// The ATR of the card in the reader, read in a session of its own that is closed before
    /// returning. Throws TokenError (readerNotConnected, cardNotFound) or PcscError.
    Bytes getATR(int readerIndex);

    /// Runs `work(SmartCard&)` inside one exclusive session and returns what it returns. The
    /// session is closed before the result or the work's own error reaches the caller.
    /// Throws TokenError::readerNotConnected for a bad index or no card service (the work is
    /// not called), TokenError::cardNotFound for a vanished reader or no card, PcscError for
    /// other card-service failures.
    template <class Work>
    auto withSession(int readerIndex, Work&& work)
        -> std::decay_t<std::invoke_result_t<Work&, SmartCard&>>
    {
        using Result = std::decay_t<std::invoke_result_t<Work&, SmartCard&>>;
        if constexpr (std::is_void_v<Result>) {
            runSession(readerIndex, [&](SmartCard& card) { std::invoke(work, card); });
        } else {
            std::optional<Result> result;
            runSession(readerIndex,
                       [&](SmartCard& card) { result.emplace(std::invoke(work, card)); });
            return std::move(*result);
        }
    }

private:
    void runSession(int readerIndex, const std::function<void(SmartCard&)>& work);
    std::unique_ptr<CardSession> openCard(int readerIndex);

    Logger m_logger{"CardReaders"};
    mutable std::mutex m_mutex;
    std::shared_ptr<ReaderBackend> m_backend;
};

} // namespace orvela::tokenkit
