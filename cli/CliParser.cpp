#include "CliParser.h"

#include "CliLocalization.h"

namespace orvela::cli {

namespace {

/// The option's long name and its value when given as --name=value.
struct OptionWord {
    QString name;
    std::optional<QString> value;
};

OptionWord splitOption(const QString& word)
{
    const qsizetype equals = word.indexOf(u'=');
    if (equals < 0) {
        return {word.mid(2), std::nullopt};
    }
    return {word.mid(2, equals - 2), word.mid(equals + 1)};
}

QString allowedText(const QStringList& allowed)
{
    return allowed.join(u'|');
}

/// Takes an option's value from --name=value or from the next word; an error text otherwise.
std::optional<QString> takeValue(const OptionWord& option, const QString& valueName,
                                 const QStringList& allowed, const QStringList& args, qsizetype& i,
                                 QString& error)
{
    QString value;
    if (option.value) {
        value = *option.value;
    } else if (i + 1 < args.size()) {
        value = args[++i];
    } else {
        error = cliText("Cli_Usage_MissingValue")
                    .arg(QStringLiteral("--") + option.name,
                         allowed.isEmpty() ? valueName : allowedText(allowed));
        return std::nullopt;
    }
    if (!allowed.isEmpty() && !allowed.contains(value)) {
        error = cliText("Cli_Usage_BadValue")
                    .arg(value, QStringLiteral("--") + option.name, allowedText(allowed));
        return std::nullopt;
    }
    return value;
}

const CliGlobalOption* globalOption(const QString& word)
{
    for (const auto& option : globalOptions()) {
        if (word == QStringLiteral("--") + option.name ||
            word.startsWith(QStringLiteral("--") + option.name + u'=') ||
            (!option.shortName.isEmpty() && word == u'-' + option.shortName)) {
            return &option;
        }
    }
    return nullptr;
}

/// Applies --lang before anything is said, wherever it stands; a bad value is reported later.
void chooseLanguageFrom(const QStringList& args)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == u"--") {
            return;
        }
        if (args[i] == u"--lang" && i + 1 < args.size()) {
            chooseLanguage(args[i + 1]);
        } else if (args[i].startsWith(u"--lang=")) {
            chooseLanguage(args[i].mid(7));
        }
    }
}

/// Takes the global options out of the argument list, wherever they stand. Returns the rest,
/// or sets a usage error.
QStringList takeGlobalOptions(const QStringList& args, Invocation& out, bool& help)
{
    QStringList rest;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& word = args[i];
        if (word == u"--") {
            rest += args.mid(i);
            break;
        }
        if (word == u"-vv") {
            out.verbosity += 2;
            continue;
        }
        const CliGlobalOption* option = globalOption(word);
        if (option == nullptr) {
            rest << word;
            continue;
        }
        const OptionWord parsed =
            word.startsWith(u"--") ? splitOption(word) : OptionWord{option->name, {}};
        std::optional<QString> value;
        if (!option->valueName.isEmpty()) {
            value = takeValue(parsed, option->valueName, option->allowed, args, i, out.error);
            if (!value) {
                out.kind = Invocation::Kind::usageError;
                return {};
            }
        } else if (parsed.value) {
            out.error = cliText("Cli_Usage_NoValueTaken").arg(QStringLiteral("--") + option->name);
            out.kind = Invocation::Kind::usageError;
            return {};
        }
        const QString& name = option->name;
        if (name == u"json") {
            out.context.json = true;
        } else if (name == u"pin-stdin") {
            out.pinStdin = true;
        } else if (name == u"road") {
            out.road = *value;
        } else if (name == u"api-url") {
            out.context.apiUrl = *value;
        } else if (name == u"verbose") {
            ++out.verbosity;
        } else if (name == u"help") {
            help = true;
        } else if (name == u"version") {
            out.kind = Invocation::Kind::version;
        }
    }
    return rest;
}

const CliOption* findOption(const CliCommand& command, const QString& name)
{
    for (const auto& option : command.options) {
        if (option.name == name) {
            return &option;
        }
    }
    return nullptr;
}

/// Parses a command's own words into its context; false with a usage error.
bool parseCommandArgs(const CliCommand& command, const QStringList& args, Invocation& out,
                      bool& help)
{
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& word = args[i];
        if (optionsEnded || word == u"-" || !word.startsWith(u'-')) {
            out.context.positionals << word;
            continue;
        }
        if (word == u"--") {
            optionsEnded = true;
            continue;
        }
        const OptionWord parsed = splitOption(word);
        const CliOption* option =
            word.startsWith(u"--") ? findOption(command, parsed.name) : nullptr;
        if (option == nullptr) {
            out.error = cliText("Cli_Usage_UnknownOption").arg(word);
            return false;
        }
        if (out.context.isSet(option->name)) {
            out.error = cliText("Cli_Usage_Twice").arg(QStringLiteral("--") + option->name);
            return false;
        }
        if (option->valueName.isEmpty()) {
            if (parsed.value) {
                out.error =
                    cliText("Cli_Usage_NoValueTaken").arg(QStringLiteral("--") + option->name);
                return false;
            }
            out.context.options.insert(option->name, QString());
            continue;
        }
        const auto value =
            takeValue(parsed, option->valueName, option->allowed, args, i, out.error);
        if (!value) {
            return false;
        }
        out.context.options.insert(option->name, *value);
    }
    if (help) {
        return true;
    }
    const auto& positionals = out.context.positionals;
    if (positionals.size() > command.positionals.size()) {
        out.error = cliText("Cli_Usage_Unexpected").arg(positionals.at(command.positionals.size()));
        return false;
    }
    if (positionals.size() < command.positionals.size()) {
        out.error = cliText("Cli_Usage_Missing").arg(command.positionals.at(positionals.size()));
        return false;
    }
    return true;
}

/// The leading words that are no option: the command's path and, maybe, its arguments.
QStringList leadingWords(const QStringList& args)
{
    QStringList words;
    for (const QString& word : args) {
        if (word.startsWith(u'-')) {
            break;
        }
        words << word;
    }
    return words;
}

/// The longest command whose path opens `words`.
const CliCommand* longestCommand(const QStringList& words, const QString& road)
{
    for (qsizetype n = words.size(); n > 0; --n) {
        if (const CliCommand* command = commandAt(words.first(n), road)) {
            return command;
        }
    }
    return nullptr;
}

/// The longest group whose words open `words`; empty when none.
QStringList longestGroup(const QStringList& words)
{
    for (qsizetype n = words.size(); n > 0; --n) {
        if (isGroup(words.first(n))) {
            return words.first(n);
        }
    }
    return {};
}

void unknownCommand(const QStringList& words, Invocation& out)
{
    out.kind = Invocation::Kind::usageError;
    out.error = cliText("Cli_Usage_UnknownCommand").arg(words.join(u' '));
    out.helpCommand = longestGroup(words).join(u' ');
}

/// `orvela help WORDS...`: the help of a command or of a group.
void resolveHelp(const QStringList& words, Invocation& out)
{
    if (const CliCommand* command = commandAt(words, out.road)) {
        out.kind = Invocation::Kind::help;
        out.command = command;
    } else if (words.isEmpty() || isGroup(words)) {
        out.kind = Invocation::Kind::help;
        out.helpGroup = words;
    } else {
        unknownCommand(words, out);
    }
}

} // namespace

const CliCommand* commandAt(const QStringList& path, const QString& road)
{
    for (const auto& command : commandTable()) {
        if (command.path == path && (command.road.isEmpty() || command.road == road)) {
            return &command;
        }
    }
    return nullptr;
}

bool isGroup(const QStringList& words)
{
    for (const auto& command : commandTable()) {
        if (command.path.size() > words.size() && command.path.first(words.size()) == words) {
            return true;
        }
    }
    return false;
}

Invocation parseInvocation(const QStringList& args)
{
    Invocation out;
    chooseLanguageFrom(args);
    bool help = false;
    const QStringList rest = takeGlobalOptions(args, out, help);
    if (out.kind == Invocation::Kind::usageError || out.kind == Invocation::Kind::version) {
        return out;
    }
    const QStringList words = leadingWords(rest);
    if (!words.isEmpty() && words.first() == u"help") {
        resolveHelp(words.mid(1), out);
        return out;
    }
    if (const CliCommand* command = longestCommand(words, out.road)) {
        out.command = command;
        // The other road's command is another one; its help must be asked on that road.
        out.context.command =
            (command->road == u"pkcs11" ? QStringLiteral("--road pkcs11 ") : QString()) +
            command->path.join(u' ');
        out.helpCommand = out.context.command;
        if (!parseCommandArgs(*command, rest.mid(command->path.size()), out, help)) {
            out.kind = Invocation::Kind::usageError;
        } else {
            out.kind = help ? Invocation::Kind::help : Invocation::Kind::run;
        }
        return out;
    }
    if (words.isEmpty() || isGroup(words)) {
        if (help) {
            out.kind = Invocation::Kind::help;
            out.helpGroup = words;
            return out;
        }
        out.kind = Invocation::Kind::usageError;
        out.helpCommand = words.join(u' ');
        // Only options can follow here, as every leading word was taken: `orvela token --x`
        // is a wrong option of the group, not an unknown command "token".
        if (words.size() < rest.size()) {
            out.error = cliText("Cli_Usage_UnknownOption").arg(rest.at(words.size()));
        } else {
            out.error = words.isEmpty()
                            ? cliText("Cli_Usage_NoCommand")
                            : cliText("Cli_Usage_NeedsSubcommand").arg(words.join(u' '));
        }
        return out;
    }
    unknownCommand(words, out);
    return out;
}

} // namespace orvela::cli
