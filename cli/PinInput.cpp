#include "PinInput.h"

#include "common/LocalizationService.h"
#include "orvela/tokenkit/TokenError.h"

#include <QStringDecoder>
#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <termios.h>

namespace orvela::cli {

using orvela::tokenkit::Bytes;

namespace {

/// Turns terminal echo off for its lifetime.
class EchoOff {
public:
    explicit EchoOff(int fd) : m_fd(fd)
    {
        if (::isatty(m_fd) && ::tcgetattr(m_fd, &m_saved) == 0) {
            termios quiet = m_saved;
            quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            m_active = ::tcsetattr(m_fd, TCSAFLUSH, &quiet) == 0;
        }
    }
    ~EchoOff()
    {
        if (m_active) {
            ::tcsetattr(m_fd, TCSAFLUSH, &m_saved);
            std::fputc('\n', stderr);
        }
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    int m_fd;
    termios m_saved{};
    bool m_active = false;
};

bool isUtf8(const Bytes& pin)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(
        QByteArrayView(reinterpret_cast<const char*>(pin.data()), qsizetype(pin.size())));
    text.fill(QChar(u'\0'));
    return !decoder.hasError();
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
