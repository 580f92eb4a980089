#pragma once

#include "common/AppLanguage.h"

#include <QHash>
#include <QStringList>
#include <functional>
#include <vector>

namespace orvela::cli {

class PinInput;

/// What every command receives: its parsed options and arguments, and the global options.
struct CliContext {
    QString command; ///< the words naming the command: "token info", "--road pkcs11 token sign"
    QHash<QString, QString> options; ///< the options given, by long name; a flag maps to ""
    QStringList positionals;         ///< the arguments that are no option
    bool json = false;               ///< --json: machine-readable output
    QString apiUrl;                  ///< --api-url, empty when not given
    common::AppLanguage language = common::AppLanguage::mn;
    PinInput* pins = nullptr;

    bool isSet(const QString& name) const { return options.contains(name); }
    QString value(const QString& name) const { return options.value(name); }
};

/// One option of a command. A flag has no value name; `allowed`, when not empty, is the whole
/// set of values the option takes. Options marked `oneOf` that stand next to each other in a
/// command form a group of which exactly one is given.
struct CliOption {
    enum class Need { optional, required, oneOf };

    QString name;      ///< the long name without dashes, for example "reader"
    QString valueName; ///< for example "N"; empty for a flag
    const char* help;  ///< text key of its description
    QStringList allowed = {};
    Need need = Need::optional;
};

/// One command of the tool, for example {"token", "info"}. Token commands exist once per road
/// ("apdu", the default, or "pkcs11", chosen with --road); an empty road serves any. The parser,
/// every help text, the man page and the shell completions are all made from these rows.
struct CliCommand {
    QStringList path;
    QString road;
    const char* summary; ///< text key of its one-paragraph description
    std::vector<CliOption> options;
    QStringList positionals = {}; ///< names of the required arguments, in order
    bool jsonOutput = false;      ///< reads something: --json prints it as one document
    std::function<int(CliContext&)> run = {};
};

using CliCommands = std::vector<CliCommand>;

/// Every command of the tool, in the order help lists them.
const CliCommands& commandTable();

/// One global option, accepted before or after the command words.
struct CliGlobalOption {
    QString name;
    QString shortName; ///< empty when it has none
    QString valueName;
    const char* help;
    QStringList allowed = {};
};

const std::vector<CliGlobalOption>& globalOptions();

} // namespace orvela::cli
