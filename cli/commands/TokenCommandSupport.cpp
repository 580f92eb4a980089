#include "commands/TokenCommandSupport.h"

#include "CliHelp.h"
#include "CliLocalization.h"
#include "CliOutput.h"
#include "PinInput.h"
#include "common/LocalizationService.h"
#include "desktop/demo/DemoPluginLoader.h"
#include "orvela/tokenkit/CardReaders.h"
#include "orvela/tokenkit/PKCS11Error.h"
#include "tokens/ProvisionInput.h"
#include "tokens/TokenFailureText.h"

#include <memory>
#include <stdexcept>

namespace orvela::cli::token {

namespace {

std::optional<demo::VirtualTokenMode> virtualMode(const QString& name)
{
    if (name == u"des") {
        return demo::VirtualTokenMode::des;
    }
    if (name == u"aes") {
        return demo::VirtualTokenMode::aes;
    }
    if (name == u"fips") {
        return demo::VirtualTokenMode::aesFips;
    }
    return std::nullopt;
}

/// The virtual token comes from the demo plugin, as the desktop's demo does: the installed tool
/// carries no development code of its own.
std::shared_ptr<tokenkit::ReaderBackend> virtualTokenReader(const QString& modeName)
{
    const auto mode = virtualMode(modeName);
    if (!mode) {
        throw std::runtime_error(cliText("Cli_Token_VirtualMode").toStdString());
    }
    // Loaded for good: the reader it makes may outlive the command's work on a worker.
    static demo::DemoPlugin plugin = demo::loadDemoPlugin();
    if (!plugin.services) {
        throw std::runtime_error(demo::demoPluginFailureText(plugin).toStdString());
    }
    return plugin.services->makeVirtualReader(
        qEnvironmentVariable("ORVELA_VIRTUAL_TOKEN_STATE").toStdString(), {}, *mode);
}

ReaderAccess configuredReaders()
{
    const QString mode = qEnvironmentVariable("ORVELA_VIRTUAL_TOKEN");
    return std::make_shared<tokenkit::CardReaders>(mode.isEmpty() ? tokenkit::makePcscBackend()
                                                                  : virtualTokenReader(mode));
}

/// A fixed word per failure a person can mend, the same in every language, for scripts to
/// test; empty for the rest.
QString reasonOf(tokens::TokenFailureKind kind)
{
    using Kind = tokens::TokenFailureKind;
    switch (kind) {
    case Kind::serviceNotRunning:
        return QStringLiteral("pcscd-not-running");
    case Kind::noReader:
        return QStringLiteral("no-reader");
    case Kind::noCard:
        return QStringLiteral("no-card");
    case Kind::cardRemoved:
        return QStringLiteral("card-removed");
    case Kind::pinBlocked:
        return QStringLiteral("pin-blocked");
    case Kind::wrongPin:
        return QStringLiteral("wrong-pin");
    case Kind::emptyPin:
        return QStringLiteral("empty-pin");
    case Kind::noKey:
        return QStringLiteral("no-key");
    case Kind::noObject:
        return QStringLiteral("no-object");
    case Kind::libraryMissing:
        return QStringLiteral("no-pkcs11-library");
    case Kind::noTokenInSlot:
        return QStringLiteral("no-token");
    case Kind::libraryRefused:
        return QStringLiteral("pkcs11-refused");
    case Kind::cardRefused:
    case Kind::requestFailed:
    case Kind::other:
        break;
    }
    return {};
}

QString utf8Text(const tokenkit::Bytes& bytes)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(bytes.data()),
                             static_cast<qsizetype>(bytes.size()));
}

} // namespace

std::optional<int> readerIndex(const CliContext& context)
{
    if (!context.isSet(QStringLiteral("reader"))) {
        return 0;
    }
    bool ok = false;
    const int index = context.value(QStringLiteral("reader")).toInt(&ok);
    if (!ok || index < 0) {
        return std::nullopt;
    }
    return index;
}

std::optional<tokenkit::Bytes> digestOption(const QString& hex)
{
    constexpr std::size_t kSha256Bytes = 32;
    tokenkit::Bytes digest = tokenkit::hexToBytes(hex.toStdString());
    if (digest.size() != kSha256Bytes) {
        return std::nullopt;
    }
    return digest;
}

tokenkit::Bytes readPin(const CliContext& context, const QString& prompt, int minimumCharacters)
{
    return context.pins->read(prompt, minimumCharacters);
}

QString provisionPinProblem(const tokenkit::Bytes& userPin, const tokenkit::Bytes& repeat,
                            const tokenkit::Bytes& soPin)
{
    tokens::ProvisionPins pins{utf8Text(userPin), utf8Text(repeat), utf8Text(soPin)};
    QString problem;
    if (!tokens::canProvision(pins)) {
        if (pins.userPin.toUcs4().size() < tokens::kMinUserPinLength) {
            problem = cliText("Cli_Pin_UserTooShort").arg(tokens::kMinUserPinLength);
        } else if (pins.userPinRepeat != pins.userPin) {
            problem = cliText("Cli_Pin_RepeatDiffers");
        } else {
            problem = cliText("Cli_Pin_SoTooShort").arg(tokens::kMinSoPinLength);
        }
    }
    for (QString* text : {&pins.userPin, &pins.userPinRepeat, &pins.soPin}) {
        text->fill(QChar(u'\0'));
    }
    return problem;
}

namespace {

int reportFailure(const CliContext& context, const std::exception& error,
                  const tokens::TokenFailure& failure)
{
    if (failure.kind == tokens::TokenFailureKind::other) {
        return fail(context.json, QString::fromUtf8(error.what())); // the command's own words
    }
    const QString reason = reasonOf(failure.kind);
    const QString text =
        tokens::tokenFailureText(failure, context.language, tokens::HintWording::commandLine);
    return reason.isEmpty() ? fail(context.json, text) : fail(context.json, text, reason);
}

} // namespace

int runReportingErrors(const CliContext& context, const std::function<int()>& work)
{
    try {
        return work();
    } catch (const std::exception& error) {
        return reportFailure(context, error, tokens::failureOf(error));
    }
}

int runOnReaders(const CliContext& context, const std::function<int(const ReaderAccess&)>& work)
{
    ReaderAccess readers;
    try {
        readers = configuredReaders();
        return work(readers);
    } catch (const std::exception& error) {
        return reportFailure(context, error,
                             readers ? tokens::failureOf(error, *readers)
                                     : tokens::failureOf(error));
    }
}

int runOnReader(const CliContext& context,
                const std::function<int(const ReaderAccess&, int reader)>& work)
{
    const auto reader = readerIndex(context);
    if (!reader) {
        return usageError(context, cliText("Cli_Usage_ReaderIndex"));
    }
    return runOnReaders(context,
                        [&](const ReaderAccess& readers) { return work(readers, *reader); });
}

} // namespace orvela::cli::token
