#include "PinInput.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>

namespace orvela::cli {

using orvela::tokenkit::Bytes;

namespace {

/// Turns terminal echo off for its lifetime.
class EchoOff {
public:
    EchoOff()
    {
        if (::isatty(STDIN_FILENO) && ::tcgetattr(STDIN_FILENO, &m_saved) == 0) {
            termios quiet = m_saved;
            quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            m_active = ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) == 0;
        }
    }
    ~EchoOff()
    {
        if (m_active) {
            ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &m_saved);
            std::fputc('\n', stderr);
        }
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    termios m_saved{};
    bool m_active = false;
};

/// One line from standard input, read byte by byte so that nothing of the next PIN is buffered
/// in a place we cannot wipe.
Bytes readLine()
{
    Bytes line;
    for (;;) {
        char c = 0;
        const ssize_t got = ::read(STDIN_FILENO, &c, 1);
        if (got <= 0) {
            if (line.empty()) {
                throw std::runtime_error("no PIN on standard input");
            }
            break;
        }
        if (c == '\n') {
            break;
        }
        line.push_back(static_cast<std::uint8_t>(c));
        c = 0;
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

} // namespace

Bytes PinInput::read(const QString& prompt)
{
    if (m_fromStdin) {
        return readLine();
    }
    const QByteArray text = (prompt + QStringLiteral(": ")).toUtf8();
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stderr);
    std::fflush(stderr);
    EchoOff echoOff;
    return readLine();
}

} // namespace orvela::cli
