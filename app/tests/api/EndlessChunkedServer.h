#pragma once

#include <QtGlobal>
#include <atomic>
#include <thread>

namespace orvela::apitest {

/// A server on a thread of its own that answers one request with a chunked body without end,
/// as fast as the socket takes it, until the client hangs up: a hostile backend is never
/// slowed down by the client's own event loop, as a server in the same thread would be.
/// Shared by the client's tests and its benchmark; plain sockets, no test framework.
class EndlessChunkedServer {
public:
    EndlessChunkedServer();
    /// Stops writing (if the client never hung up) and waits for the thread.
    ~EndlessChunkedServer();
    EndlessChunkedServer(const EndlessChunkedServer&) = delete;
    EndlessChunkedServer& operator=(const EndlessChunkedServer&) = delete;

    quint16 port = 0;
    /// Bytes of the body the kernel has taken so far.
    std::atomic<qint64> written{0};
    /// Set once the client hung up.
    std::atomic<bool> clientClosed{false};

private:
    void serve();

    int m_listener = -1;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace orvela::apitest
