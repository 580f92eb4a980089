#include "commands/Pkcs11Commands.h"

#include "CliOutput.h"
#include "PinInput.h"
#include "commands/Pkcs11CommandSupport.h"
#include "commands/TokenCommandSupport.h"
#include "common/LocalInput.h"
#include "common/LocalizationService.h"
#include "orvela/tokenkit/Digest.h"

#include <QJsonArray>
#include <QSaveFile>

namespace orvela::cli {

namespace {

using namespace pkcs11;
using token::runReportingErrors;
using tokenkit::Bytes;
using tokenkit::ByteView;

QString hex(ByteView bytes)
{
    return QString::fromStdString(tokenkit::bytesToHex(bytes)).toLower();
}

std::optional<std::string> keyLabelOption(const CommandLine& line)
{
    if (!line.isSet(QStringLiteral("key-label")) ||
        line.value(QStringLiteral("key-label")).isEmpty()) {
        return std::nullopt;
    }
    return line.value(QStringLiteral("key-label")).toStdString();
}

QCommandLineOption keyLabelOption()
{
    return {QStringLiteral("key-label"),
            QStringLiteral("Label of the key to use (default: the first key on the token)."),
            QStringLiteral("LABEL")};
}

int runSlots(CliContext& context)
{
    CommandLine line(QStringLiteral("token slots"),
                     QStringLiteral("Loads the PKCS#11 library and counts the slots that hold "
                                    "a token."));
    if (auto done = line.parse(context)) {
        return *done;
    }
    return runReportingErrors(context, [&] {
        const auto slotIds = line.provisioner().slotsWithToken();
        QJsonArray ids;
        for (const auto slot : slotIds) {
            ids.append(static_cast<qint64>(slot));
        }
        printSuccess(context, QStringLiteral("Слот олдлоо: %1").arg(slotIds.size()),
                     {{QStringLiteral("slots"), ids}});
        return 0;
    });
}

int runProvision(CliContext& context)
{
    CommandLine line(QStringLiteral("token provision --road pkcs11"),
                     QStringLiteral("Factory reset: erases the token, sets the SO and user PINs "
                                    "and generates the EC P-256 signing key \"orvela-sign\" "
                                    "(asks: SO PIN, user PIN, user PIN again)."));
    if (auto done = line.parse(context)) {
        return *done;
    }
    return runReportingErrors(context, [&] {
        const Bytes soPin = context.pins->read(QStringLiteral("SO PIN (8-16)"));
        const Bytes userPin = context.pins->read(QStringLiteral("User PIN (6-16)"));
        const Bytes repeat = context.pins->read(QStringLiteral("User PIN again"));
        const QString problem = token::provisionPinProblem(userPin, repeat, soPin);
        if (!problem.isEmpty()) {
            return fail(context.json, problem);
        }
        line.provisioner().fullProvision(pinText(soPin), pinText(userPin));
        printSuccess(context, QStringLiteral("PKCS#11 provision амжилттай — EC keypair бэлэн"));
        return 0;
    });
}

int runKeygen(CliContext& context)
{
    CommandLine line(QStringLiteral("token keygen --road pkcs11"),
                     QStringLiteral("Generates an EC P-256 key pair \"orvela-sign\" with key ID "
                                    "01 (asks: token PIN)."));
    if (auto done = line.parse(context)) {
        return *done;
    }
    return runReportingErrors(context, [&] {
        const Bytes pin = context.pins->read(QStringLiteral("Token PIN"), kMinTokenPinLength);
        line.provisioner().generateSigningKey(pinText(pin));
        printSuccess(context, QStringLiteral("Түлхүүр амжилттай үүсгэгдлэа."));
        return 0;
    });
}

/// Writes the whole file or nothing.
bool writeAtomically(const QString& path, const QByteArray& content, QString& error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() ||
        !file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

int runCsr(CliContext& context)
{
    CommandLine line(QStringLiteral("token csr"),
                     QStringLiteral("Builds a PKCS#10 request for the token's key, signed on "
                                    "the token, and prints its PEM (asks: token PIN)."));
    line.addOption({QStringLiteral("cn"),
                    QStringLiteral("Registry number: the common and organisation name."),
                    QStringLiteral("REGISTRY_NUMBER")});
    line.addOption(keyLabelOption());
    line.addOption({QStringLiteral("out"), QStringLiteral("Also write the PEM to FILE."),
                    QStringLiteral("FILE")});
    if (auto done = line.parse(context)) {
        return *done;
    }
    if (!line.isSet(QStringLiteral("cn"))) {
        return line.usageError(context, QStringLiteral("needs --cn REGISTRY_NUMBER"));
    }
    const std::string registry = line.value(QStringLiteral("cn")).toStdString();
    return runReportingErrors(context, [&] {
        const Bytes pin = context.pins->read(QStringLiteral("Token PIN"), kMinTokenPinLength);
        const auto request =
            line.provisioner().generateCsr(pinText(pin), keyLabelOption(line), registry);
        const QByteArray pem = QByteArray::fromStdString(request.pem);
        if (line.isSet(QStringLiteral("out"))) {
            QString error;
            if (!writeAtomically(line.value(QStringLiteral("out")), pem, error)) {
                return fail(context.json, error);
            }
        }
        if (context.json) {
            printJson({{QStringLiteral("pem"), QString::fromUtf8(pem)},
                       {QStringLiteral("derHex"), hex(request.der)}});
        } else {
            std::fwrite(pem.constData(), 1, static_cast<std::size_t>(pem.size()), stdout);
            std::fflush(stdout);
        }
        return 0;
    });
}

/// The digest to sign: --hash as given, or SHA-256 of --file.
std::optional<Bytes> digestToSign(const CommandLine& line, QString& error)
{
    if (line.isSet(QStringLiteral("hash")) == line.isSet(QStringLiteral("file"))) {
        error = QStringLiteral("needs either --hash HEX or --file PATH");
        return std::nullopt;
    }
    if (line.isSet(QStringLiteral("hash"))) {
        const std::string text = line.value(QStringLiteral("hash")).toStdString();
        Bytes hash = tokenkit::hexToBytes(text);
        if (hash.empty()) {
            error = QStringLiteral("--hash needs hexadecimal digits");
            return std::nullopt;
        }
        return hash;
    }
    const common::LocalInput input =
        common::readLocalFile(line.value(QStringLiteral("file")), common::inputLimit::document);
    if (const auto* failure = std::get_if<common::LocalInputError>(&input)) {
        error = common::localInputMessage(*failure, common::LocalizationService::shared());
        return std::nullopt;
    }
    const auto& content = std::get<QByteArray>(input);
    return tokenkit::sha256(ByteView(reinterpret_cast<const std::uint8_t*>(content.constData()),
                                     static_cast<std::size_t>(content.size())));
}

int runSign(CliContext& context)
{
    CommandLine line(QStringLiteral("token sign --road pkcs11"),
                     QStringLiteral("Signs a hash with the token's key (raw ECDSA; asks: token "
                                    "PIN) and prints the signature in hexadecimal."));
    line.addOption(keyLabelOption());
    line.addOption({QStringLiteral("hash"), QStringLiteral("The hash to sign, in hexadecimal."),
                    QStringLiteral("HEX")});
    line.addOption({QStringLiteral("file"), QStringLiteral("Sign the SHA-256 of this file."),
                    QStringLiteral("PATH")});
    if (auto done = line.parse(context)) {
        return *done;
    }
    QString error;
    const auto digest = digestToSign(line, error);
    if (!digest) {
        return line.usageError(context, error);
    }
    return runReportingErrors(context, [&] {
        const Bytes pin = context.pins->read(QStringLiteral("Token PIN"), kMinTokenPinLength);
        const Bytes signature =
            line.provisioner().signPkcs11(pinText(pin), keyLabelOption(line), *digest);
        if (context.json) {
            printJson({{QStringLiteral("hash"), hex(*digest)},
                       {QStringLiteral("signature"), hex(signature)}});
        } else {
            printLine(hex(signature));
        }
        return 0;
    });
}

} // namespace

CliCommands pkcs11Commands()
{
    const QString road = QStringLiteral("pkcs11");
    const auto token = [](const char* word) {
        return QStringList{QStringLiteral("token"), QLatin1String(word)};
    };
    CliCommands commands{
        {token("slots"), QString(),
         QStringLiteral("PKCS#11 slot test: counts the slots holding a token."), runSlots},
        {token("provision"), road,
         QStringLiteral("Factory reset through PKCS#11: PINs and an EC signing key."),
         runProvision},
        {token("keygen"), road, QStringLiteral("Generates an EC P-256 signing key pair."),
         runKeygen},
        {token("csr"), QString(),
         QStringLiteral("PKCS#10 request for the token key: --cn REGISTRY_NUMBER [--key-label "
                        "L] [--out FILE]."),
         runCsr},
        {token("sign"), road,
         QStringLiteral("Signs --hash HEX or --file PATH with the token key [--key-label L]."),
         runSign},
    };
    for (auto& command : adminCommands()) {
        commands.push_back(std::move(command));
    }
    return commands;
}

} // namespace orvela::cli
