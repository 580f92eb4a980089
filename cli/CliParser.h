#pragma once

#include "CliCommand.h"

namespace orvela::cli {

/// What the command line asks for, once the global options and the command's own options are
/// taken apart against the command table.
struct Invocation {
    enum class Kind { run, help, version, usageError };
    Kind kind = Kind::run;
    const CliCommand* command = nullptr; ///< for run, and for help of one command
    QStringList helpGroup;               ///< for help of a group; empty: the whole tool
    QString error;                       ///< for a usage error: what is wrong
    QString helpCommand;                 ///< for a usage error: where help is, "token info"
    CliContext context;
    bool pinStdin = false;
    QString road = QStringLiteral("apdu");
    int verbosity = 0;
};

/// Reads the arguments after the program name. The interface language is chosen before any
/// message is made, so that a usage error reads in the language --lang asks for.
Invocation parseInvocation(const QStringList& args);

/// The command of `path` on `road`: an exact match of its words; nullptr when none.
const CliCommand* commandAt(const QStringList& path, const QString& road);

/// True when commands lie below `words` ("token", "token pin").
bool isGroup(const QStringList& words);

} // namespace orvela::cli
