#include "EndlessChunkedServer.h"

#include <QByteArray>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace orvela::apitest {

namespace {

/// Sends all of `data`, or fails when the peer is gone or `stop` is set.
bool sendAll(int fd, const char* data, size_t size, const std::atomic<bool>& stop)
{
    while (size > 0 && !stop) {
        pollfd ready{fd, POLLOUT, 0};
        if (::poll(&ready, 1, 100) == 0) {
            continue;
        }
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n <= 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            return false;
        }
        if (n > 0) {
            data += n;
            size -= static_cast<size_t>(n);
        }
    }
    return size == 0;
}

/// Reads one request, its body included, or returns false when the client left first or
/// `stop` is set.
bool readRequest(int client, const std::atomic<bool>& stop)
{
    QByteArray request;
    char buffer[65536];
    while (!stop) {
        pollfd ready{client, POLLIN, 0};
        if (::poll(&ready, 1, 100) == 0) {
            continue;
        }
        const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
        if (n <= 0) {
            return false;
        }
        request.append(buffer, n);
        const qsizetype end = request.indexOf("\r\n\r\n");
        if (end < 0) {
            continue;
        }
        const QByteArray lower = request.left(end).toLower();
        const qsizetype at = lower.indexOf("content-length:");
        const qint64 length =
            at < 0 ? 0
                   : lower.mid(at + 15, lower.indexOf('\r', at) - at - 15).trimmed().toLongLong();
        if (request.size() >= end + 4 + length) {
            return true;
        }
    }
    return false;
}

} // namespace

EndlessChunkedServer::EndlessChunkedServer()
{
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(m_listener, 1) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::fprintf(stderr, "the endless server did not start\n");
    }
    port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
}

EndlessChunkedServer::~EndlessChunkedServer()
{
    m_stop = true;
    // Wakes an accept that never got its client.
    ::shutdown(m_listener, SHUT_RDWR);
    m_thread.join();
    ::close(m_listener);
}

void EndlessChunkedServer::serve()
{
    const int client = ::accept(m_listener, nullptr, nullptr);
    if (client < 0) {
        return;
    }
    if (readRequest(client, m_stop)) {
        const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: application/pdf\r\n"
                                 "Transfer-Encoding: chunked\r\n\r\n";
        const std::string chunk = "10000\r\n" + std::string(0x10000, 'x') + "\r\n";
        bool open = sendAll(client, head.data(), head.size(), m_stop);
        while (open) {
            open = sendAll(client, chunk.data(), chunk.size(), m_stop);
            if (open) {
                written += static_cast<qint64>(chunk.size());
            }
        }
        clientClosed = !m_stop;
    }
    ::close(client);
}

} // namespace orvela::apitest
