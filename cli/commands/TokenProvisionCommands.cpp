// The APDU road's provisioning commands, on the token logic the desktop uses too.

#include "CliLocalization.h"
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

tokens::TokenProvisioner provisionerFor(const ReaderAccess& readers, int reader)
{
    return tokens::TokenProvisioner({reader, std::nullopt, readers});
}

void reportDone(const CliContext& context, const QString& key, const QString& text)
{
    if (context.json) {
        printJson(QJsonObject{{key, true}, {QStringLiteral("keyId"), tokens::kSigningKeyID}});
    } else {
        printLine(text);
    }
}

} // namespace

int runProvision(CliContext& context)
{
    return runOnReader(context, [&](const ReaderAccess& readers, int reader) {
        const Bytes userPin = readPin(context, cliText("Cli_Prompt_UserPinNew"));
        const Bytes repeat = readPin(context, cliText("Cli_Prompt_UserPinRepeat"));
        const Bytes soPin = readPin(context, cliText("Cli_Prompt_SoPuk"));
        const QString problem = provisionPinProblem(userPin, repeat, soPin);
        if (!problem.isEmpty()) {
            throw std::runtime_error(problem.toStdString());
        }
        // Two card sessions, as the desktop runs them: a failed key generation leaves a token
        // with PINs, which provisioning again erases anew.
        tokens::TokenProvisioner provisioner = provisionerFor(readers, reader);
        provisioner.initializeApdu(userPin, soPin);
        provisioner.generateApduKey(userPin);
        reportDone(context, QStringLiteral("provisioned"), cliText("Cli_Token_Provisioned"));
        return 0;
    });
}

int runKeygen(CliContext& context)
{
    return runOnReader(context, [&](const ReaderAccess& readers, int reader) {
        const Bytes userPin =
            readPin(context, cliText("Cli_Prompt_UserPin"), tokens::kMinUserPinLength);
        provisionerFor(readers, reader).generateApduKey(userPin);
        reportDone(context, QStringLiteral("generated"), cliText("Cli_Token_KeyGenerated"));
        return 0;
    });
}

namespace {

/// Asks on the terminal; a non-interactive caller must say --yes.
bool confirmErase()
{
    if (!::isatty(STDIN_FILENO)) {
        throw std::runtime_error(cliText("Cli_Erase_NoTerminal").toStdString());
    }
    const QByteArray question = (cliText("Cli_Erase_Question") + u' ').toUtf8();
    std::fputs(question.constData(), stderr);
    std::fflush(stderr);
    char answer[16] = {};
    if (std::fgets(answer, sizeof answer, stdin) == nullptr) {
        return false;
    }
    return QByteArray(answer).trimmed() == "yes";
}

} // namespace

int runErase(CliContext& context)
{
    return runOnReader(context, [&](const ReaderAccess& readers, int reader) {
        if (!context.isSet(QStringLiteral("yes")) && !confirmErase()) {
            return fail(context.json, cliText("Cli_Erase_NotErased"));
        }
        provisionerFor(readers, reader).eraseApdu();
        if (context.json) {
            printJson(QJsonObject{{QStringLiteral("erased"), true}});
        } else {
            printLine(cliText("Cli_Erase_Done"));
        }
        return 0;
    });
}

} // namespace orvela::cli::token
