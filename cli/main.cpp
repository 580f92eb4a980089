// orvela: the command-line front end over the same logic the desktop application uses.

#include "CliHelp.h"
#include "CliLocalization.h"
#include "CliLogging.h"
#include "CliOutput.h"
#include "CliParser.h"
#include "PinInput.h"
#include "common/AppIdentity.h"

#include <QCoreApplication>

using namespace orvela::cli;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (!orvela::common::applyAppIdentity()) {
        // Even --version: the parser and every text read the language from that file.
        printError(orvela::common::settingsFileRefusal());
        return 1;
    }

    Invocation invocation = parseInvocation(app.arguments().mid(1));
    applyVerbosity(invocation.verbosity);
    switch (invocation.kind) {
    case Invocation::Kind::version:
        printLine(cliText("Cli_Version").arg(QString::fromLatin1(orvela::common::version)));
        return 0;
    case Invocation::Kind::usageError:
        return usageError(invocation.error, invocation.helpCommand);
    case Invocation::Kind::help:
        printText(invocation.command != nullptr ? commandHelp(*invocation.command)
                                                : groupHelp(invocation.helpGroup));
        return 0;
    case Invocation::Kind::run:
        break;
    }
    CliContext& context = invocation.context;
    context.language = cliLocalization().language();
    PinInput pins(invocation.pinStdin, cliLocalization());
    context.pins = &pins;
    return invocation.command->run(context);
}
