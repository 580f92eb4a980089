// PIN and token-object administration over a PKCS#11 library.

#include "CliHelp.h"
#include "CliLocalization.h"
#include "CliOutput.h"
#include "PinInput.h"
#include "commands/Pkcs11CommandSupport.h"
#include "commands/TokenCommandSupport.h"
#include "common/LocalInput.h"
#include "common/LocalizationService.h"
#include "tokens/CertificateImport.h"

#include <QJsonArray>

namespace orvela::cli::pkcs11 {

namespace {

using cli::token::runReportingErrors;
using tokenkit::Bytes;
using tokenkit::ByteView;

/// The three PIN fields of an administration action, in the order they are asked for.
struct PinTriple {
    Bytes first;
    Bytes next;
    Bytes confirmation;
};

PinTriple readPins(const CliContext& context, const QString& first, const QString& next,
                   const QString& confirmation)
{
    PinTriple pins;
    pins.first = context.pins->read(first);
    pins.next = context.pins->read(next);
    pins.confirmation = context.pins->read(confirmation);
    return pins;
}

/// The rule of the PIN sections: both PINs of at least four characters, confirmation equal.
bool acceptable(const PinTriple& pins)
{
    return pinLength(pins.first) >= kMinTokenPinLength &&
           pinLength(pins.next) >= kMinTokenPinLength && pins.next == pins.confirmation;
}

using PinAction = void (tokens::TokenProvisioner::*)(std::string_view, std::string_view);

struct PinCommandSpec {
    const char* firstPrompt;
    const char* nextPrompt;
    const char* confirmationPrompt;
    PinAction action;
    const char* success;
};

int runPinCommand(CliContext& context, const PinCommandSpec& spec)
{
    const CommandLine line(context);
    return runReportingErrors(context, [&] {
        const PinTriple pins = readPins(context, cliText(spec.firstPrompt),
                                        cliText(spec.nextPrompt), cliText(spec.confirmationPrompt));
        if (!acceptable(pins)) {
            return fail(context.json, cliText("Cli_P11_PinRule"));
        }
        tokens::TokenProvisioner provisioner = line.provisioner();
        (provisioner.*spec.action)(pinText(pins.first), pinText(pins.next));
        printSuccess(context, cliText(spec.success));
        return 0;
    });
}

const PinCommandSpec kChangePin{"Cli_Prompt_CurrentPin", "Cli_Prompt_NewPin",
                                "Cli_Prompt_ConfirmNewPin",
                                &tokens::TokenProvisioner::changeUserPin, "Cli_P11_PinChanged"};
const PinCommandSpec kUnlockPin{"Cli_Prompt_AdminPin", "Cli_Prompt_NewUserPin",
                                "Cli_Prompt_ConfirmNewUserPin",
                                &tokens::TokenProvisioner::unlockUserPin, "Cli_P11_PinUnlocked"};
const PinCommandSpec kChangeSoPin{"Cli_Prompt_CurrentSoPin", "Cli_Prompt_NewSoPin",
                                  "Cli_Prompt_ConfirmNewSoPin",
                                  &tokens::TokenProvisioner::changeSoPin, "Cli_P11_SoPinChanged"};

QJsonObject toJson(const tokens::TokenObjectInfo& object)
{
    return QJsonObject{{QStringLiteral("idHex"), QString::fromStdString(object.idHex)},
                       {QStringLiteral("label"), QString::fromStdString(object.label)},
                       {QStringLiteral("kind"), QString::fromStdString(object.kind)},
                       {QStringLiteral("keyType"), QString::fromStdString(object.keyType)}};
}

int printObjects(const CliContext& context, const std::vector<tokens::TokenObjectInfo>& objects)
{
    if (context.json) {
        QJsonArray array;
        for (const auto& object : objects) {
            array.append(toJson(object));
        }
        printJson(QJsonObject{{QStringLiteral("objects"), array}});
        return 0;
    }
    if (objects.empty()) {
        printLine(cliText("Cli_P11_NoObjects"));
    }
    for (const auto& object : objects) {
        printLine(
            QStringLiteral("%1\tid=%2\tlabel=%3%4")
                .arg(QString::fromStdString(object.kind), QString::fromStdString(object.idHex),
                     inert(QString::fromStdString(object.label)),
                     object.keyType.empty()
                         ? QString()
                         : QStringLiteral("\ttype=") + QString::fromStdString(object.keyType)));
    }
    return 0;
}

} // namespace

int runPinChange(CliContext& context)
{
    return runPinCommand(context, kChangePin);
}

int runPinUnlock(CliContext& context)
{
    return runPinCommand(context, kUnlockPin);
}

int runPinChangeSo(CliContext& context)
{
    return runPinCommand(context, kChangeSoPin);
}

int runObjectsList(CliContext& context)
{
    const CommandLine line(context);
    return runReportingErrors(context, [&] {
        const Bytes pin = context.pins->read(cliText("Cli_Prompt_TokenPin"), kMinTokenPinLength);
        return printObjects(context, line.provisioner().listObjects(pinText(pin)));
    });
}

int runObjectsImport(CliContext& context)
{
    const CommandLine line(context);
    const common::LocalInput input =
        common::readLocalFile(line.positional().first(), common::inputLimit::tokenCertificate);
    if (const auto* error = std::get_if<common::LocalInputError>(&input)) {
        return fail(context.json,
                    common::localInputMessage(*error, common::LocalizationService::shared()));
    }
    // Refused before the PIN is asked: nothing but one whole certificate reaches the token.
    const auto value = tokens::certificateToImport(std::get<QByteArray>(input));
    if (!value) {
        return fail(context.json, common::LocalizationService::shared().localized(
                                      QStringLiteral("Tokens_Import_NotCertificate")));
    }
    return runReportingErrors(context, [&] {
        const Bytes pin = context.pins->read(cliText("Cli_Prompt_TokenPin"), kMinTokenPinLength);
        const ByteView certificate(reinterpret_cast<const std::uint8_t*>(value->constData()),
                                   static_cast<std::size_t>(value->size()));
        line.provisioner().importCertificate(pinText(pin), certificate);
        printSuccess(context, cliText("Cli_P11_Imported"),
                     {{QStringLiteral("bytes"), static_cast<qint64>(value->size())}});
        return 0;
    });
}

int runObjectsDelete(CliContext& context)
{
    const CommandLine line(context);
    const QString kind = line.value(QStringLiteral("kind"));
    if (!line.isSet(QStringLiteral("id")) || !line.isSet(QStringLiteral("kind"))) {
        return usageError(context,
                          cliText("Cli_Usage_Needs").arg(QStringLiteral("--id HEX --kind KIND")));
    }
    // The token lists IDs in lower case; accept them as typed in either case.
    const std::string idHex = line.value(QStringLiteral("id")).toLower().toStdString();
    return runReportingErrors(context, [&] {
        const Bytes pin = context.pins->read(cliText("Cli_Prompt_TokenPin"), kMinTokenPinLength);
        line.provisioner().deleteObject(pinText(pin), idHex, kind.toStdString());
        printSuccess(context, cliText("Cli_P11_Deleted").arg(kind, QString::fromStdString(idHex)));
        return 0;
    });
}

} // namespace orvela::cli::pkcs11
