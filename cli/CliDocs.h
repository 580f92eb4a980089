#pragma once

#include <QString>

namespace orvela::cli {

/// Writes the manual page orvela.1 and the bash, zsh and fish completions (under
/// completions/) into `directory`, all made from the command table, in English. The build
/// runs this; it is no command of the tool's help. Returns the exit status.
int writeDocs(const QString& directory);

/// The manual page, in roff.
QString manPage();

/// The completion scripts for bash, zsh and fish.
QString bashCompletion();
QString zshCompletion();
QString fishCompletion();

} // namespace orvela::cli
