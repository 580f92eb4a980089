#pragma once

#include "CliCommand.h"

namespace orvela::cli {

/// The help of one command: its usage line, description, options and exit statuses.
QString commandHelp(const CliCommand& command);

/// The help of a group of commands ("token", "token pin"), or of the whole tool for an empty
/// group: the commands below it and the global options.
QString groupHelp(const QStringList& group);

/// "orvela [GLOBAL-OPTIONS] token info [--reader N]", in the interface language.
QString usageLine(const CliCommand& command);

/// "--kind KIND" or "--yes", as the option is written.
QString optionSyntax(const QString& name, const QString& valueName);

/// The command's options as its usage shows them, in table order: "--id HEX" when required,
/// "(--hash HEX | --file PATH)" for a group of which one is given, "[--reader N]" otherwise.
QStringList optionsSynopsis(const CliCommand& command);

/// Reports a usage error as one line on standard error, pointing at the help of
/// `helpCommand` (the tool's own help when empty), and returns the exit status 2.
int usageError(const QString& what, const QString& helpCommand);

/// usageError for the command being run.
int usageError(const CliContext& context, const QString& what);

} // namespace orvela::cli
