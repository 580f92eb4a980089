// The APDU road's provisioning commands, on the token logic the desktop uses too.

#include "CliOutput.h"
#include "commands/TokenCommandSupport.h"
#include "commands/TokenCommands.h"
#include "tokens/ProvisionInput.h"
#include "tokens/TokenProvisioner.h"

#include <cstdio>
#include <stdexcept>
#include <unistd.h>

namespace orvela::cli::token {

using tokenkit::Bytes;

namespace {

tokens::TokenProvisioner provisionerFor(const QCommandLineParser& parser)
{
    return tokens::TokenProvisioner({*readerIndex(parser), std::nullopt});
}

void reportDone(const CliContext& context, const QString& key, const QString& text)
{
    if (context.json) {
        printJson(QJsonObject{{key, true}, {QStringLiteral("keyId"), tokens::kSigningKeyID}});
    } else {
        printLine(text);
    }
}

int runProvision(CliContext& context)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Erases the token, installs its keys, file system, SO PIN / PUK and user PIN, then\n"
        "generates its EC P-256 signing key. Asks for the user PIN twice, then the SO PIN /\n"
        "PUK (in that order with --pin-stdin, one per line)."));
    if (auto stop = parseArguments(parser, context, QStringLiteral("token provision"))) {
        return *stop;
    }
    return runOnReaders(context, [&] {
        const Bytes userPin = readPin(context, QStringLiteral("User PIN (6-16 characters)"));
        const Bytes repeat = readPin(context, QStringLiteral("Repeat the user PIN"));
        const Bytes soPin = readPin(context, QStringLiteral("SO PIN / PUK (8-16 characters)"));
        const QString problem = provisionPinProblem(userPin, repeat, soPin);
        if (!problem.isEmpty()) {
            throw std::runtime_error(problem.toStdString());
        }
        // Two card sessions, as the desktop runs them: a failed key generation leaves a token
        // with PINs, which provisioning again erases anew.
        tokens::TokenProvisioner provisioner = provisionerFor(parser);
        provisioner.initializeApdu(userPin, soPin);
        provisioner.generateApduKey(userPin);
        reportDone(context, QStringLiteral("provisioned"),
                   QStringLiteral("Token provisioned: PINs set, EC key pair generated."));
        return 0;
    });
}

int runKeygen(CliContext& context)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Generates the token's EC P-256 signing key (key ID 01) after verifying "
                       "the user PIN."));
    if (auto stop = parseArguments(parser, context, QStringLiteral("token keygen"))) {
        return *stop;
    }
    return runOnReaders(context, [&] {
        const Bytes userPin =
            readPin(context, QStringLiteral("User PIN"), tokens::kMinUserPinLength);
        provisionerFor(parser).generateApduKey(userPin);
        reportDone(context, QStringLiteral("generated"),
                   QStringLiteral("EC key pair generated (key ID 01)."));
        return 0;
    });
}

/// Asks on the terminal; a non-interactive caller must say --yes.
bool confirmErase()
{
    if (!::isatty(STDIN_FILENO)) {
        throw std::runtime_error(
            "orvela token erase: no terminal to confirm on; pass --yes to erase");
    }
    std::fputs("Erase the token? Every key, certificate and PIN on it is lost. "
               "Type 'yes' to continue: ",
               stderr);
    std::fflush(stderr);
    char answer[16] = {};
    if (std::fgets(answer, sizeof answer, stdin) == nullptr) {
        return false;
    }
    return QByteArray(answer).trimmed() == "yes";
}

int runErase(CliContext& context)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Factory erase over the secure channel. Asks for confirmation unless "
                       "--yes."));
    const QCommandLineOption yes(QStringLiteral("yes"), QStringLiteral("Erase without asking."));
    parser.addOption(yes);
    if (auto stop = parseArguments(parser, context, QStringLiteral("token erase"))) {
        return *stop;
    }
    return runOnReaders(context, [&] {
        if (!parser.isSet(yes) && !confirmErase()) {
            return fail(context.json, QStringLiteral("Not erased."));
        }
        provisionerFor(parser).eraseApdu();
        if (context.json) {
            printJson(QJsonObject{{QStringLiteral("erased"), true}});
        } else {
            printLine(QStringLiteral("Token erased."));
        }
        return 0;
    });
}

} // namespace

CliCommand provisionCommand()
{
    return {{QStringLiteral("token"), QStringLiteral("provision")},
            QStringLiteral("apdu"),
            QStringLiteral("Provisions a token over secure messaging: erase, PINs, EC key pair."),
            runProvision};
}

CliCommand keygenCommand()
{
    return {{QStringLiteral("token"), QStringLiteral("keygen")},
            QStringLiteral("apdu"),
            QStringLiteral("Generates the EC signing key after the user PIN."),
            runKeygen};
}

CliCommand eraseCommand()
{
    return {{QStringLiteral("token"), QStringLiteral("erase")},
            QString(),
            QStringLiteral("Erases the token over secure messaging [--yes]."),
            runErase};
}

} // namespace orvela::cli::token
