#pragma once

#include <QString>

namespace orvela::cli {

/// The manual page, in roff, in English, made from the command table.
QString manPage();

/// The completion scripts for bash, zsh and fish.
QString bashCompletion();
QString zshCompletion();
QString fishCompletion();

} // namespace orvela::cli
