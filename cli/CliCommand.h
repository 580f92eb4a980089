#pragma once

#include <QStringList>

#include <functional>
#include <vector>

class QTextStream;

namespace orvela::cli {

class PinInput;

/// What every command receives: its own arguments and the global options.
struct CliContext {
    QStringList args;  ///< the command's arguments, after its name words
    bool json = false; ///< --json: machine-readable output
    QString apiUrl;    ///< --api-url, empty when not given
    QString lang;      ///< --lang, empty when not given
    PinInput* pins = nullptr;
};

/// One command of the tool, for example {"token", "info"}. Token commands exist once per road
/// ("apdu", the default, or "pkcs11", chosen with --road); an empty road serves any.
struct CliCommand {
    QStringList path;
    QString road;
    QString summary;
    std::function<int(CliContext&)> run;
};

using CliCommands = std::vector<CliCommand>;

} // namespace orvela::cli
