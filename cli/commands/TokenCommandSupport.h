#pragma once

#include "CliCommand.h"
#include "orvela/tokenkit/Bytes.h"

#include <functional>
#include <optional>

namespace orvela::cli::token {

/// The --reader index (0 when absent); nullopt when it is not a number.
std::optional<int> readerIndex(const CliContext& context);

/// The digest --hash gives: exactly the 32 bytes of a SHA-256, as the windows' sign test asks;
/// nullopt for anything else (not hexadecimal, or another length), which is a usage error.
std::optional<tokenkit::Bytes> digestOption(const QString& hex);

/// Reads a PIN as the global options ask (terminal without echo, or --pin-stdin), refusing one
/// that can never be right (see PinInput::read).
tokenkit::Bytes readPin(const CliContext& context, const QString& prompt,
                        int minimumCharacters = 1);

/// Why the three provisioning PINs cannot be used (both roads share the rule), or an empty
/// text when they can. No decoded copy of a PIN is left behind.
QString provisionPinProblem(const tokenkit::Bytes& userPin, const tokenkit::Bytes& repeat,
                            const tokenkit::Bytes& soPin);

/// Runs the command's work and turns any failure into its own message and exit status 1.
int runReportingErrors(const CliContext& context, const std::function<int()>& work);

/// runReportingErrors for work on the card reader of --reader (a usage error when that is no
/// index), handed to `work`. With ORVELA_VIRTUAL_TOKEN=des|aes|fips
/// the kit's reader access is first plugged into an in-process virtual token (its state in
/// ORVELA_VIRTUAL_TOKEN_STATE when set), so that scripts and tests run without pcscd; an
/// unknown mode is the command's error.
int runOnReader(const CliContext& context, const std::function<int(int reader)>& work);

/// runReportingErrors for work on the card readers as a whole.
int runOnReaders(const CliContext& context, const std::function<int()>& work);

} // namespace orvela::cli::token
