#pragma once

#include "CliCommand.h"
#include "orvela/tokenkit/Bytes.h"
#include "orvela/tokenkit/CardReaders.h"

#include <functional>
#include <memory>
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

/// The card readers a token command works on, made once for the command: PC/SC, or with
/// ORVELA_VIRTUAL_TOKEN=des|aes|fips an in-process virtual token (its state in
/// ORVELA_VIRTUAL_TOKEN_STATE when set), so that scripts and tests run without pcscd.
using ReaderAccess = std::shared_ptr<tokenkit::CardReaders>;

/// runReportingErrors for work on the card readers as a whole, handed to `work`; an unknown
/// ORVELA_VIRTUAL_TOKEN mode is the command's error.
int runOnReaders(const CliContext& context, const std::function<int(const ReaderAccess&)>& work);

/// runOnReaders for work on the card reader of --reader (a usage error when that is no index),
/// whose index is handed to `work` with the readers.
int runOnReader(const CliContext& context,
                const std::function<int(const ReaderAccess&, int reader)>& work);

} // namespace orvela::cli::token
