#pragma once

#include "orvela/tokenkit/Bytes.h"

#include <QString>
#include <unistd.h>

namespace orvela::common {
class LocalizationService;
}

namespace orvela::cli {

/// Reads PINs without ever taking them from the command line: from the terminal with echo
/// off, or, with --pin-stdin, one per line from standard input in the order they are asked for.
class PinInput {
public:
    /// The longest PIN line taken, in bytes; nothing longer is ever a PIN.
    static constexpr std::size_t kMaxLineBytes = 64;

    PinInput(bool fromStdin, const common::LocalizationService& texts, int fd = STDIN_FILENO)
        : m_fromStdin(fromStdin), m_texts(texts), m_fd(fd)
    {}

    /// The PIN's UTF-8 bytes, without the line end. A PIN that can never be right is refused
    /// here, before any token sees it and counts a try: an empty one, one of fewer than
    /// `minimumCharacters` characters, one holding a NUL, one that is not UTF-8, and a line over
    /// kMaxLineBytes. Throws std::runtime_error with the reason in the interface language, also
    /// when the input has ended.
    orvela::tokenkit::Bytes read(const QString& prompt, int minimumCharacters = 1);

private:
    orvela::tokenkit::Bytes readLine();
    void check(const orvela::tokenkit::Bytes& pin, int minimumCharacters) const;
    /// Throws the text of `key`, followed by `number` when one is given.
    [[noreturn]] void refuse(const char* key, int number = 0) const;

    bool m_fromStdin;
    const common::LocalizationService& m_texts;
    int m_fd;
};

/// Number of characters in a PIN given as UTF-8 bytes.
int pinLength(const orvela::tokenkit::Bytes& pin);

} // namespace orvela::cli
