#include "PinInput.h"

#include "common/LocalizationService.h"
#include "common/TextRules.h"
#include "orvela/tokenkit/TokenError.h"

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdio>
#include <stdexcept>
#include <termios.h>

namespace orvela::cli {

using orvela::tokenkit::Bytes;

namespace {

// What a signal handler needs to give the terminal back; set before the handlers go in.
volatile std::sig_atomic_t g_quietFd = -1;
termios g_savedTerminal{};

/// The signals that end the program at the prompt by default: each must leave echo on.
constexpr std::array<int, 4> kEndingSignals{SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void restoreTerminalAndRaise(int signal)
{
    // Only async-signal-safe calls: put the terminal back, then die as the signal would have.
    const int fd = g_quietFd;
    if (fd >= 0) {
        ::tcsetattr(fd, TCSANOW, &g_savedTerminal);
        [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, "\n", 1);
    }
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

/// Turns terminal echo off for its lifetime, and puts it back also when a signal ends the
/// program at the prompt: a shell left without echo hides everything typed after.
class EchoOff {
public:
    explicit EchoOff(int fd) : m_fd(fd)
    {
        if (!::isatty(m_fd) || ::tcgetattr(m_fd, &m_saved) != 0) {
            return;
        }
        g_savedTerminal = m_saved;
        g_quietFd = m_fd;
        installHandlers();
        termios quiet = m_saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        m_active = ::tcsetattr(m_fd, TCSAFLUSH, &quiet) == 0;
        if (!m_active) {
            restoreHandlers();
        }
    }
    ~EchoOff()
    {
        if (m_active) {
            ::tcsetattr(m_fd, TCSAFLUSH, &m_saved);
            restoreHandlers();
            std::fputc('\n', stderr);
        }
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    void installHandlers()
    {
        struct sigaction action {};
        action.sa_handler = restoreTerminalAndRaise;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < kEndingSignals.size(); ++i) {
            ::sigaction(kEndingSignals[i], nullptr, &m_previous[i]);
            // A signal the caller ignores (nohup) stays ignored; one it handles stays its own.
            if (m_previous[i].sa_handler == SIG_DFL) {
                ::sigaction(kEndingSignals[i], &action, nullptr);
            }
        }
    }
    void restoreHandlers()
    {
        for (std::size_t i = 0; i < kEndingSignals.size(); ++i) {
            ::sigaction(kEndingSignals[i], &m_previous[i], nullptr);
        }
        g_quietFd = -1;
    }

    int m_fd;
    termios m_saved{};
    std::array<struct sigaction, kEndingSignals.size()> m_previous{};
    bool m_active = false;
};

bool isUtf8(const Bytes& pin)
{
    std::optional<QString> text = common::strictUtf8(
        QByteArrayView(reinterpret_cast<const char*>(pin.data()), qsizetype(pin.size())));
    if (!text) {
        return false;
    }
    text->fill(QChar(u'\0'));
    return true;
}

} // namespace

int pinLength(const Bytes& pin)
{
    // Counted on the bytes themselves, so that no decoded copy of the PIN is left behind.
    int characters = 0;
    for (const std::uint8_t byte : pin) {
        characters += (byte & 0xC0) != 0x80 ? 1 : 0;
    }
    return characters;
}

void PinInput::refuse(const char* key, int number) const
{
    QString message = m_texts.localized(QString::fromLatin1(key));
    if (number > 0) {
        message += u' ' + QString::number(number);
    }
    throw std::runtime_error(message.toStdString());
}

/// One line, read byte by byte so that nothing of the next PIN is buffered in a place we
/// cannot wipe, and never more than a PIN line can hold.
Bytes PinInput::readLine()
{
    Bytes line;
    for (;;) {
        char c = 0;
        const ssize_t got = ::read(m_fd, &c, 1);
        if (got <= 0) {
            if (line.empty()) {
                refuse("Pin_Missing");
            }
            break;
        }
        if (c == '\n') {
            break;
        }
        // One byte of room for the CR of a CR LF line end.
        if (line.size() > kMaxLineBytes) {
            refuse("Pin_LineTooLong", int(kMaxLineBytes));
        }
        line.push_back(static_cast<std::uint8_t>(c));
        c = 0;
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    if (line.size() > kMaxLineBytes) {
        refuse("Pin_LineTooLong", int(kMaxLineBytes));
    }
    return line;
}

void PinInput::check(const Bytes& pin, int minimumCharacters) const
{
    if (pin.empty()) {
        // Worded with the other token failures, as the windows word it.
        throw tokenkit::TokenError::pinEmpty();
    }
    if (std::find(pin.begin(), pin.end(), 0) != pin.end()) {
        refuse("Pin_HasNul");
    }
    if (!isUtf8(pin)) {
        refuse("Pin_NotUtf8");
    }
    if (pinLength(pin) < minimumCharacters) {
        refuse("Pin_TooShort", minimumCharacters);
    }
}

Bytes PinInput::read(const QString& prompt, int minimumCharacters)
{
    Bytes pin;
    if (m_fromStdin) {
        pin = readLine();
    } else {
        const QByteArray text = (prompt + QStringLiteral(": ")).toUtf8();
        std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stderr);
        std::fflush(stderr);
        EchoOff echoOff(m_fd);
        pin = readLine();
    }
    check(pin, minimumCharacters);
    return pin;
}

} // namespace orvela::cli
