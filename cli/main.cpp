// orvela: the command-line front end over the same logic the desktop application uses.

#include "CliCommand.h"
#include "CliLocalization.h"
#include "CliOutput.h"
#include "PinInput.h"
#include "common/AppIdentity.h"
#include "commands/CertCommand.h"
#include "commands/HealthCommand.h"
#include "commands/LoginCommands.h"
#include "commands/SignCommand.h"
#include "commands/TokenCommands.h"
#include "commands/Pkcs11Commands.h"

#include <QCoreApplication>

#include <algorithm>

using namespace orvela::cli;

namespace {

CliCommands allCommands()
{
    CliCommands commands;
    // Each group appends its commands here.
    commands.push_back(healthCommand());
    commands.push_back(certCommand());
    for (auto& command : loginCommands()) {
        commands.push_back(std::move(command));
    }
    commands.push_back(signCommand());
    for (auto& command : tokenApduCommands()) {
        commands.push_back(std::move(command));
    }
    for (auto& command : pkcs11Commands()) {
        commands.push_back(std::move(command));
    }
    return commands;
}

void printUsage(const CliCommands& commands)
{
    printLine(QStringLiteral("Usage: orvela [--json] [--pin-stdin] [--road apdu|pkcs11] [--api-url URL] "
                             "[--lang mn|en] COMMAND [ARGS]\n\nCommands:"));
    for (const auto& command : commands) {
        const QString road =
            command.road.isEmpty() ? QString() : QStringLiteral(" --road %1").arg(command.road);
        printLine(QStringLiteral("  %1%2\n      %3")
                      .arg(command.path.join(u' '), road, command.summary));
    }
    printLine(QStringLiteral("\nRun 'orvela COMMAND --help' for a command's options."));
}

/// Takes the global options out of the argument list, wherever they stand.
QStringList takeGlobalOptions(QStringList args, CliContext& context, bool& pinStdin,
                              QString& road)
{
    QStringList rest;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == u"--json") {
            context.json = true;
        } else if (a == u"--pin-stdin") {
            pinStdin = true;
        } else if (a == u"--road" && i + 1 < args.size()) {
            road = args[++i];
        } else if (a.startsWith(u"--road=")) {
            road = a.mid(7);
        } else if ((a == u"--api-url" || a == u"--lang") && i + 1 < args.size()) {
            (a == u"--api-url" ? context.apiUrl : context.lang) = args[++i];
        } else if (a.startsWith(u"--api-url=")) {
            context.apiUrl = a.mid(10);
        } else if (a.startsWith(u"--lang=")) {
            context.lang = a.mid(7);
        } else {
            rest << a;
        }
    }
    return rest;
}

/// The command whose name words open the argument list, the longest match first.
const CliCommand* findCommand(const CliCommands& commands, const QStringList& args,
                              const QString& road)
{
    const CliCommand* best = nullptr;
    for (const auto& command : commands) {
        const auto n = command.path.size();
        const bool roadMatches = command.road.isEmpty() || command.road == road;
        if (roadMatches && n <= args.size() && args.mid(0, n) == command.path &&
            (best == nullptr || n > best->path.size())) {
            best = &command;
        }
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    orvela::common::applyAppIdentity();

    const CliCommands commands = allCommands();
    CliContext context;
    bool pinStdin = false;
    QString road = QStringLiteral("apdu");
    const QStringList args = takeGlobalOptions(app.arguments().mid(1), context, pinStdin, road);

    if (args.isEmpty() || args.first() == u"--help" || args.first() == u"help") {
        printUsage(commands);
        return args.isEmpty() ? 2 : 0;
    }
    const CliCommand* command = findCommand(commands, args, road);
    if (command == nullptr) {
        printError(QStringLiteral("orvela: unknown command '%1'").arg(args.join(u' ')));
        printUsage(commands);
        return 2;
    }
    // A bad --lang is reported by the commands that print texts; PINs then use the stored one.
    PinInput pins(pinStdin, cliLocalization(context, nullptr));
    context.pins = &pins;
    context.args = args.mid(command->path.size());
    return command->run(context);
}
