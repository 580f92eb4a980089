#include "orvela/sim/VpcdBridge.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace orvela::sim {

namespace {

constexpr int kReconnectMs = 500;

enum Control : std::uint8_t { powerOff = 0, powerOn = 1, reset = 2, sendAtr = 4 };

// vpcd sends length and payload in two writes; with delayed ACK on our side each APDU would
// wait ~40 ms for the ACK timer. Quick-ACK is cleared by the kernel, so set it after each recv.
void quickAck(int socket)
{
    const int on = 1;
    setsockopt(socket, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
}

bool receiveExactly(int socket, std::uint8_t* data, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = recv(socket, data + done, size - done, 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        quickAck(socket);
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool sendFramed(int socket, ByteView payload)
{
    // One write for length and payload, so the reply leaves in one segment.
    Bytes frame{static_cast<std::uint8_t>(payload.size() >> 8),
                static_cast<std::uint8_t>(payload.size() & 0xFF)};
    tokenkit::append(frame, payload);
    std::size_t done = 0;
    while (done < frame.size()) {
        const ssize_t n = send(socket, frame.data() + done, frame.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

VpcdBridge::VpcdBridge(VirtualToken& token, Options options)
    : m_token(token), m_options(std::move(options)), m_wakeFd(eventfd(0, EFD_NONBLOCK))
{
    if (m_wakeFd < 0) {
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
}

VpcdBridge::~VpcdBridge()
{
    close(m_wakeFd);
}

void VpcdBridge::wake() noexcept
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = write(m_wakeFd, &one, sizeof one);
}

void VpcdBridge::drainWakeups() noexcept
{
    std::uint64_t count = 0;
    [[maybe_unused]] const auto got = read(m_wakeFd, &count, sizeof count);
}

void VpcdBridge::stallUntilRemoved()
{
    while (shouldServe()) {
        pollfd wakeup{m_wakeFd, POLLIN, 0};
        poll(&wakeup, 1, -1);
        drainWakeups();
    }
}

void VpcdBridge::stop() noexcept
{
    m_stopping = true;
    wake();
}

void VpcdBridge::setPresent(bool present) noexcept
{
    m_present = present;
    wake();
}

void VpcdBridge::run()
{
    while (!m_stopping) {
        m_token.setPresent(m_present);
        const int socket = shouldServe() ? connectToVpcd() : -1;
        if (socket < 0) {
            // Removed, or vpcd not there yet: sleep until woken or time to try again.
            pollfd wakeup{m_wakeFd, POLLIN, 0};
            poll(&wakeup, 1, shouldServe() ? kReconnectMs : -1);
            drainWakeups();
            continue;
        }
        m_connected = true;
        serve(socket);
        m_connected = false;
        close(socket);
        // A card pulled out or a lost reader forgets its session, as a real one would.
        m_token.reset();
    }
}

int VpcdBridge::connectToVpcd() const
{
    const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0) {
        return -1;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(m_options.port);
    if (inet_pton(AF_INET, m_options.host.c_str(), &address.sin_addr) != 1 ||
        ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close(socket);
        return -1;
    }
    const int on = 1;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return socket;
}

VpcdBridge::Served VpcdBridge::serve(int socket)
{
    pollfd fds[2] = {{socket, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
    for (;;) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Served::connectionLost;
        }
        if ((fds[1].revents & POLLIN) != 0) {
            drainWakeups();
            if (!shouldServe()) {
                return Served::woken;
            }
        }
        if (fds[0].revents != 0 && !answer(socket)) {
            return Served::connectionLost;
        }
    }
}

bool VpcdBridge::answer(int socket)
{
    std::uint8_t header[2];
    if (!receiveExactly(socket, header, sizeof header)) {
        return false;
    }
    Bytes message(static_cast<std::size_t>(header[0] << 8 | header[1]));
    if (!receiveExactly(socket, message.data(), message.size())) {
        return false;
    }
    if (message.size() != 1) {
        const auto misbehaviour =
            m_options.misbehave ? m_options.misbehave(message) : Misbehaviour::answer;
        if (misbehaviour == Misbehaviour::vanish) {
            m_present = false;
            return false;
        }
        if (misbehaviour == Misbehaviour::stall) {
            stallUntilRemoved();
            return false;
        }
        if (auto canned = m_options.cannedReply ? m_options.cannedReply(message) : std::nullopt) {
            return sendFramed(socket, *canned);
        }
        const Bytes reply = m_token.process(message);
        if (m_options.afterCommand) {
            m_options.afterCommand(m_token);
        }
        return sendFramed(socket, reply);
    }
    switch (message[0]) {
    case powerOff:
    case reset:
        m_token.reset();
        return true;
    case sendAtr:
        return sendFramed(socket, m_token.atr());
    case powerOn:
    default:
        return true;
    }
}

} // namespace orvela::sim
