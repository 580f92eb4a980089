#include "commands/Pkcs11Commands.h"

#include "CliHelp.h"
#include "CliLocalization.h"
#include "CliOutput.h"
#include "PinInput.h"
#include "commands/Pkcs11CommandSupport.h"
#include "commands/TokenCommandSupport.h"
#include "common/AtomicFile.h"
#include "common/LocalInput.h"
#include "common/LocalizationService.h"
#include "orvela/tokenkit/Digest.h"

#include <QJsonArray>

namespace orvela::cli::pkcs11 {

namespace {

using cli::token::runReportingErrors;
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

} // namespace

int runSlots(CliContext& context)
{
    const CommandLine line(context);
    return runReportingErrors(context, [&] {
        const auto slotIds = line.provisioner().slotsWithToken();
        QJsonArray ids;
        for (const auto slot : slotIds) {
            ids.append(static_cast<qint64>(slot));
        }
        printSuccess(context, cliText("Cli_P11_Slots").arg(slotIds.size()),
                     {{QStringLiteral("slots"), ids}});
        return 0;
    });
}

int runProvision(CliContext& context)
{
    const CommandLine line(context);
    return runReportingErrors(context, [&] {
        const Bytes soPin = context.pins->read(cliText("Cli_Prompt_SoPin"));
        const Bytes userPin = context.pins->read(cliText("Cli_Prompt_UserPinNew"));
        const Bytes repeat = context.pins->read(cliText("Cli_Prompt_UserPinRepeat"));
        const QString problem = token::provisionPinProblem(userPin, repeat, soPin);
        if (!problem.isEmpty()) {
            return fail(context.json, problem);
        }
        line.provisioner().fullProvision(pinText(soPin), pinText(userPin));
        printSuccess(context, cliText("Cli_P11_Provisioned"));
        return 0;
    });
}

int runKeygen(CliContext& context)
{
    const CommandLine line(context);
    return runReportingErrors(context, [&] {
        const Bytes pin = context.pins->read(cliText("Cli_Prompt_TokenPin"), kMinTokenPinLength);
        line.provisioner().generateSigningKey(pinText(pin));
        printSuccess(context, cliText("Cli_P11_KeyGenerated"));
        return 0;
    });
}

int runCsr(CliContext& context)
{
    const CommandLine line(context);
    if (!line.isSet(QStringLiteral("cn"))) {
        return usageError(context,
                          cliText("Cli_Usage_Needs").arg(QStringLiteral("--cn REGISTRY_NUMBER")));
    }
    const std::string registry = line.value(QStringLiteral("cn")).toStdString();
    return runReportingErrors(context, [&] {
        const Bytes pin = context.pins->read(cliText("Cli_Prompt_TokenPin"), kMinTokenPinLength);
        const auto request =
            line.provisioner().generateCsr(pinText(pin), keyLabelOption(line), registry);
        const QByteArray pem = QByteArray::fromStdString(request.pem);
        if (line.isSet(QStringLiteral("out"))) {
            if (const auto error =
                    common::writeFileAtomically(line.value(QStringLiteral("out")), pem)) {
                return fail(context.json, *error);
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

namespace {

/// The digest to sign: --hash as given, or SHA-256 of --file.
std::optional<Bytes> digestToSign(const CommandLine& line, QString& error, bool& usage)
{
    usage = true;
    if (line.isSet(QStringLiteral("hash")) == line.isSet(QStringLiteral("file"))) {
        error = cliText("Cli_Usage_HashOrFile");
        return std::nullopt;
    }
    if (line.isSet(QStringLiteral("hash"))) {
        auto hash = token::digestOption(line.value(QStringLiteral("hash")));
        if (!hash) {
            error = cliText("Cli_Usage_HashHex");
        }
        return hash;
    }
    usage = false;
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

} // namespace

int runSign(CliContext& context)
{
    const CommandLine line(context);
    QString error;
    bool usage = false;
    const auto digest = digestToSign(line, error, usage);
    if (!digest) {
        return usage ? usageError(context, error) : fail(context.json, error);
    }
    return runReportingErrors(context, [&] {
        const Bytes pin = context.pins->read(cliText("Cli_Prompt_TokenPin"), kMinTokenPinLength);
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

} // namespace orvela::cli::pkcs11
