#pragma once

#include "CliCommand.h"
#include "orvela/tokenkit/Bytes.h"

#include <QCommandLineParser>
#include <exception>
#include <functional>
#include <optional>

namespace orvela::tokenkit {
class TokenManager;
}

namespace orvela::cli::token {

/// The kit's token manager. With ORVELA_VIRTUAL_TOKEN=des|aes|fips it is plugged into an
/// in-process virtual token (its state in ORVELA_VIRTUAL_TOKEN_STATE when set), so that
/// scripts and tests run without pcscd. Throws std::runtime_error for an unknown mode.
tokenkit::TokenManager& tokenManager();

/// Parses a token command's arguments with --help and, when asked, --reader. Returns an exit
/// status when the command should stop here (help shown: 0; bad arguments: 2).
std::optional<int> parseArguments(QCommandLineParser& parser, const CliContext& context,
                                  const QString& usageName, bool withReader = true);

/// The --reader index (0 when absent); nullopt when it is not a number.
std::optional<int> readerIndex(const QCommandLineParser& parser);

/// Reads a PIN as the global options ask (terminal without echo, or --pin-stdin), refusing one
/// that can never be right (see PinInput::read).
tokenkit::Bytes readPin(const CliContext& context, const QString& prompt,
                        int minimumCharacters = 1);

/// Refuses a PIN the token could never be presented with (over 16 UTF-8 bytes).
void requirePinFitsVerify(tokenkit::ByteView pin);

/// Runs the command's work and turns any failure into its own message and exit status 1.
int runReportingErrors(const CliContext& context, const std::function<int()>& work);

/// The message a failure shows: a TokenError's description, the card service's own text, or
/// the exception's text.
QString messageOf(const std::exception& error);

} // namespace orvela::cli::token
