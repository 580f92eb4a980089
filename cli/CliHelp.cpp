#include "CliHelp.h"

#include "CliLocalization.h"
#include "CliOutput.h"
#include "CliParser.h"

namespace orvela::cli {

namespace {

constexpr qsizetype kWidth = 79;
constexpr qsizetype kTermColumn = 28;

/// `text` broken into lines of at most kWidth columns, each after `indent` spaces.
QString wrapped(const QString& text, qsizetype indent)
{
    QString out;
    qsizetype column = indent;
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
        if (column > indent && column + 1 + word.size() > kWidth) {
            out += u'\n' + QString(indent, u' ');
            column = indent;
        } else if (column > indent) {
            out += u' ';
            ++column;
        }
        out += word;
        column += word.size();
    }
    return out;
}

/// One row of a list: the term, then its description wrapped beside it or below it.
QString row(const QString& term, const QString& description)
{
    QString line = QStringLiteral("  ") + term;
    if (line.size() + 2 > kTermColumn) {
        line += u'\n' + QString(kTermColumn, u' ');
    } else {
        line = line.leftJustified(kTermColumn);
    }
    return line + wrapped(description, kTermColumn) + u'\n';
}

QString described(const char* key, const QStringList& allowed)
{
    QString text = cliText(key);
    if (!allowed.isEmpty()) {
        text += QStringLiteral(" (%1: %2)").arg(cliText("Cli_Help_Values"), allowed.join(u", "));
    }
    return text;
}

QString commandTerm(const CliCommand& command)
{
    QString term = command.path.join(u' ');
    if (!command.road.isEmpty()) {
        term += QStringLiteral(" [%1 %2]").arg(cliText("Cli_Help_Road"), command.road);
    }
    return term;
}

QString globalOptionsSection()
{
    QString out = cliText("Cli_Help_GlobalOptions") + QStringLiteral(":\n");
    for (const auto& option : globalOptions()) {
        QString term = optionSyntax(option.name, option.valueName);
        if (!option.shortName.isEmpty()) {
            term = u'-' + option.shortName + QStringLiteral(", ") + term;
        }
        out += row(term, described(option.help, option.allowed));
    }
    return out;
}

QString footer()
{
    return cliText("Cli_Help_ExitStatus") + u'\n';
}

/// The same words on the other road, when the command has one.
const CliCommand* otherRoad(const CliCommand& command)
{
    if (command.road.isEmpty()) {
        return nullptr;
    }
    const QString other =
        command.road == u"apdu" ? QStringLiteral("pkcs11") : QStringLiteral("apdu");
    return commandAt(command.path, other);
}

} // namespace

QString optionSyntax(const QString& name, const QString& valueName)
{
    QString text = QStringLiteral("--") + name;
    if (!valueName.isEmpty()) {
        text += u' ' + valueName;
    }
    return text;
}

QStringList optionsSynopsis(const CliCommand& command)
{
    using Need = CliOption::Need;
    QStringList parts;
    QStringList group; // the one-of group being gathered
    const auto closeGroup = [&] {
        if (!group.isEmpty()) {
            parts << u'(' + group.join(QStringLiteral(" | ")) + u')';
            group.clear();
        }
    };
    for (const auto& option : command.options) {
        const QString syntax = optionSyntax(option.name, option.valueName);
        if (option.need == Need::oneOf) {
            group << syntax;
            continue;
        }
        closeGroup();
        parts << (option.need == Need::required ? syntax : u'[' + syntax + u']');
    }
    closeGroup();
    return parts;
}

QString usageLine(const CliCommand& command)
{
    QStringList parts{QStringLiteral("orvela"),
                      u'[' + cliText("Cli_Help_GlobalPlaceholder") + u']'};
    if (command.road == u"pkcs11") {
        parts << QStringLiteral("--road pkcs11");
    }
    parts << command.path << optionsSynopsis(command) << command.positionals;
    return parts.join(u' ');
}

QString commandHelp(const CliCommand& command)
{
    QString out = cliText("Cli_Help_Usage") + QStringLiteral(": ") + usageLine(command) +
                  QStringLiteral("\n\n") + wrapped(cliText(command.summary), 0) +
                  QStringLiteral("\n\n") + cliText("Cli_Help_Options") + QStringLiteral(":\n");
    for (const auto& option : command.options) {
        out += row(optionSyntax(option.name, option.valueName),
                   described(option.help, option.allowed));
    }
    out += row(QStringLiteral("-h, --help"), cliText("Cli_Global_Help"));
    out += u'\n';
    if (const CliCommand* other = otherRoad(command)) {
        out += wrapped(cliText("Cli_Help_OtherRoad")
                           .arg(other->road, QStringLiteral("orvela --road %1 %2 --help")
                                                 .arg(other->road, other->path.join(u' '))),
                       0) +
               u'\n';
    }
    if (command.jsonOutput) {
        out += wrapped(cliText("Cli_Help_Json"), 0) + u'\n';
    }
    out += wrapped(cliText("Cli_Help_SeeGlobal"), 0) + u'\n' + footer();
    return out;
}

QString groupHelp(const QStringList& group)
{
    QStringList usage{QStringLiteral("orvela"),
                      u'[' + cliText("Cli_Help_GlobalPlaceholder") + u']'};
    usage << group << cliText("Cli_Help_CommandPlaceholder") << QStringLiteral("...");
    QString out = cliText("Cli_Help_Usage") + QStringLiteral(": ") + usage.join(u' ') +
                  QStringLiteral("\n\n");
    if (group.isEmpty()) {
        out += wrapped(cliText("Cli_Description"), 0) + QStringLiteral("\n\n");
    }
    out += cliText("Cli_Help_Commands") + QStringLiteral(":\n");
    for (const auto& command : commandTable()) {
        if (command.path.first(std::min(group.size(), command.path.size())) == group &&
            command.path.size() > group.size()) {
            out += row(commandTerm(command), cliText(command.summary));
        }
    }
    out += u'\n';
    if (group.isEmpty()) {
        out += globalOptionsSection() + u'\n';
    } else {
        out += wrapped(cliText("Cli_Help_SeeGlobal"), 0) + u'\n';
    }
    out += footer() + wrapped(cliText("Cli_Help_More"), 0) + u'\n';
    return out;
}

int usageError(const QString& what, const QString& helpCommand)
{
    const QString help = helpCommand.isEmpty()
                             ? QStringLiteral("orvela --help")
                             : QStringLiteral("orvela %1 --help").arg(helpCommand);
    printError(inert(cliText("Cli_Usage_Format").arg(what, help)));
    return 2;
}

int usageError(const CliContext& context, const QString& what)
{
    return usageError(what, context.command);
}

} // namespace orvela::cli
