#pragma once

#include "orvela/tokenkit/Bytes.h"

#include <QString>

namespace orvela::cli {

/// Reads PINs without ever taking them from the command line: from the terminal with echo
/// off, or, with --pin-stdin, one per line from standard input in the order they are asked for.
class PinInput {
public:
    explicit PinInput(bool fromStdin) : m_fromStdin(fromStdin) {}

    /// The PIN's UTF-8 bytes, without the line end. Throws std::runtime_error when the input
    /// has ended.
    orvela::tokenkit::Bytes read(const QString& prompt);

private:
    bool m_fromStdin;
};

} // namespace orvela::cli
