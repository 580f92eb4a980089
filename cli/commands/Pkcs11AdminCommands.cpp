// PIN and token-object administration over a PKCS#11 library.

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

using token::runReportingErrors;
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
    const char* word;
    const char* summary;
    const char* firstPrompt;
    const char* nextPrompt;
    const char* confirmationPrompt;
    PinAction action;
    const char* success;
};

int runPinCommand(CliContext& context, const PinCommandSpec& spec)
{
    CommandLine line(QStringLiteral("token pin ") + QLatin1String(spec.word),
                     QString::fromUtf8(spec.summary));
    if (auto done = line.parse(context)) {
        return *done;
    }
    if (!line.positional().isEmpty()) {
        return line.usageError(context, QStringLiteral("takes no arguments"));
    }
    return runReportingErrors(context, [&] {
        const PinTriple pins = readPins(context, QString::fromUtf8(spec.firstPrompt),
                                        QString::fromUtf8(spec.nextPrompt),
                                        QString::fromUtf8(spec.confirmationPrompt));
        if (!acceptable(pins)) {
            return fail(context.json,
                        QStringLiteral("PINs need at least 4 characters, and the confirmation "
                                       "must equal the new PIN."));
        }
        tokens::TokenProvisioner provisioner = line.provisioner();
        (provisioner.*spec.action)(pinText(pins.first), pinText(pins.next));
        printSuccess(context, QString::fromUtf8(spec.success));
        return 0;
    });
}

const PinCommandSpec kPinCommands[] = {
    {"change", "Changes the user PIN (asks: current PIN, new PIN, new PIN again).", "Current PIN",
     "New PIN", "Confirm new PIN", &tokens::TokenProvisioner::changeUserPin,
     "User PIN амжилттай солигдлоо."},
    {"unlock", "Unlocks a blocked user PIN with the SO PIN (asks: SO PIN, new user PIN, again).",
     "Admin (SO) PIN", "New user PIN", "Confirm new user PIN",
     &tokens::TokenProvisioner::unlockUserPin, "PIN тайлагдлаа. Шинэ PIN-ээр нэвтэрнэ үү."},
    {"change-so", "Changes the SO PIN (asks: current SO PIN, new SO PIN, again).", "Current SO PIN",
     "New SO PIN", "Confirm new SO PIN", &tokens::TokenProvisioner::changeSoPin,
     "SO PIN амжилттай солигдлоо."},
};

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
        printLine(QStringLiteral("No objects on the token."));
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

int runObjectsList(CliContext& context)
{
    CommandLine line(QStringLiteral("token objects list"),
                     QStringLiteral("Lists the token's objects (asks: token PIN)."));
    if (auto done = line.parse(context)) {
        return *done;
    }
    return runReportingErrors(context, [&] {
        const Bytes pin = context.pins->read(QStringLiteral("Token PIN"), kMinTokenPinLength);
        return printObjects(context, line.provisioner().listObjects(pinText(pin)));
    });
}

int runObjectsImport(CliContext& context)
{
    CommandLine line(QStringLiteral("token objects import"),
                     QStringLiteral("Imports a certificate file, PEM or DER, as \"eid-cert\" "
                                    "with key ID 01 (asks: token PIN)."));
    line.addPositional(QStringLiteral("FILE"), QStringLiteral("Certificate file."));
    if (auto done = line.parse(context)) {
        return *done;
    }
    if (line.positional().size() != 1) {
        return line.usageError(context, QStringLiteral("needs exactly one FILE"));
    }
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
        const Bytes pin = context.pins->read(QStringLiteral("Token PIN"), kMinTokenPinLength);
        const ByteView certificate(reinterpret_cast<const std::uint8_t*>(value->constData()),
                                   static_cast<std::size_t>(value->size()));
        line.provisioner().importCertificate(pinText(pin), certificate);
        printSuccess(context, QStringLiteral("Сертификат импортлогдлоо."),
                     {{QStringLiteral("bytes"), static_cast<qint64>(value->size())}});
        return 0;
    });
}

int runObjectsDelete(CliContext& context)
{
    const QStringList kinds{QStringLiteral("privateKey"), QStringLiteral("publicKey"),
                            QStringLiteral("certificate"), QStringLiteral("data")};
    CommandLine line(QStringLiteral("token objects delete"),
                     QStringLiteral("Deletes the first object of the given kind and ID (asks: "
                                    "token PIN)."));
    line.addOption(
        {QStringLiteral("id"), QStringLiteral("Object ID in hexadecimal."), QStringLiteral("HEX")});
    line.addOption({QStringLiteral("kind"), QStringLiteral("One of: ") + kinds.join(u", "),
                    QStringLiteral("KIND")});
    if (auto done = line.parse(context)) {
        return *done;
    }
    const QString kind = line.value(QStringLiteral("kind"));
    if (!line.isSet(QStringLiteral("id")) || !kinds.contains(kind)) {
        return line.usageError(context,
                               QStringLiteral("needs --id HEX and --kind ") + kinds.join(u'|'));
    }
    // The token lists IDs in lower case; accept them as typed in either case.
    const std::string idHex = line.value(QStringLiteral("id")).toLower().toStdString();
    return runReportingErrors(context, [&] {
        const Bytes pin = context.pins->read(QStringLiteral("Token PIN"), kMinTokenPinLength);
        line.provisioner().deleteObject(pinText(pin), idHex, kind.toStdString());
        printSuccess(context,
                     QStringLiteral("Deleted %1 %2").arg(kind, QString::fromStdString(idHex)));
        return 0;
    });
}

} // namespace

CliCommands adminCommands()
{
    CliCommands commands;
    for (const PinCommandSpec& spec : kPinCommands) {
        commands.push_back(
            CliCommand{{QStringLiteral("token"), QStringLiteral("pin"), QLatin1String(spec.word)},
                       QString(),
                       QString::fromUtf8(spec.summary),
                       [&spec](CliContext& context) { return runPinCommand(context, spec); }});
    }
    const auto objects = [](const char* word) {
        return QStringList{QStringLiteral("token"), QStringLiteral("objects"), QLatin1String(word)};
    };
    commands.push_back(
        {objects("list"), QString(), QStringLiteral("Lists the token's objects."), runObjectsList});
    commands.push_back({objects("import"), QString(),
                        QStringLiteral("Imports a certificate (PEM or DER) from FILE."),
                        runObjectsImport});
    commands.push_back({objects("delete"), QString(),
                        QStringLiteral("Deletes an object: --id HEX --kind KIND."),
                        runObjectsDelete});
    return commands;
}

} // namespace orvela::cli::pkcs11
