// The APDU road's provisioning commands: each card session opens its own secure channel with a
// driver of its own, so no channel outlives the session it belongs to.

#include "CliOutput.h"
#include "commands/TokenCommandSupport.h"
#include "commands/TokenCommands.h"
#include "common/LogCategories.h"
#include "orvela/tokenkit/TesselDriver.h"
#include "orvela/tokenkit/TokenManager.h"
#include "orvela/tokenkit/TransportKey.h"
#include "tokens/ProvisionInput.h"

#include <cstdio>
#include <stdexcept>
#include <unistd.h>

namespace orvela::cli::token {

using tokenkit::Bytes;
using tokenkit::SmartCard;
using tokenkit::TesselDriver;

namespace {

constexpr std::uint8_t kSigningKeyID = 0x01;

void openChannel(TesselDriver& driver, SmartCard& card)
{
    const Bytes key = tokenkit::defaultTransportKey();
    driver.establishSecureSession(key, key, card);
}

QString wipeAfterUse(const Bytes& utf8)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(utf8.data()),
                             static_cast<qsizetype>(utf8.size()));
}

/// Why the three PINs cannot be used, or an empty text when they can.
QString provisionInputProblem(const Bytes& userPin, const Bytes& repeat, const Bytes& soPin)
{
    tokens::ProvisionPins pins{wipeAfterUse(userPin), wipeAfterUse(repeat), wipeAfterUse(soPin)};
    QString problem;
    if (!tokens::canProvision(pins)) {
        if (pins.userPin.toUcs4().size() < tokens::kMinUserPinLength) {
            problem = QStringLiteral("The user PIN needs at least %1 characters.")
                          .arg(tokens::kMinUserPinLength);
        } else if (pins.userPinRepeat != pins.userPin) {
            problem = QStringLiteral("The repeated user PIN does not match.");
        } else {
            problem = QStringLiteral("The SO PIN / PUK needs at least %1 characters.")
                          .arg(tokens::kMinSoPinLength);
        }
    }
    for (QString* text : {&pins.userPin, &pins.userPinRepeat, &pins.soPin}) {
        text->fill(QChar(u'\0'));
    }
    return problem;
}

void initializeToken(int reader, const Bytes& userPin, const Bytes& soPin)
{
    tokenManager().withSession(reader, [&](SmartCard& card) {
        TesselDriver driver;
        openChannel(driver, card);
        qCInfo(lcTokenProvisioner, "SM session амжилттай — token init эхэлж байна");
        driver.initializePIN(userPin, soPin, card);
        qCInfo(lcTokenProvisioner, "Token initialized — filesystem + PIN/PUK тогтоогдлоо");
    });
}

void generateSigningKey(int reader, const Bytes& userPin)
{
    tokenManager().withSession(reader, [&](SmartCard& card) {
        TesselDriver driver;
        openChannel(driver, card);
        driver.verifyPIN(userPin, TesselDriver::kUserPinReference, card);
        qCInfo(lcTokenProvisioner, "PIN verified — key generation эхэлж байна");
        driver.generateECKeyPair(kSigningKeyID, card);
        qCInfo(lcTokenProvisioner, "EC key pair амжилттай үүсгэгдлэа");
    });
}

void eraseToken(int reader)
{
    tokenManager().withSession(reader, [&](SmartCard& card) {
        TesselDriver driver;
        openChannel(driver, card);
        driver.eraseCard(card);
        qCInfo(lcTokenProvisioner, "Card erased");
    });
}

void reportDone(const CliContext& context, const QString& key, const QString& text)
{
    if (context.json) {
        printJson(QJsonObject{{key, true}, {QStringLiteral("keyId"), kSigningKeyID}});
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
    return runReportingErrors(context, [&] {
        const Bytes userPin = readPin(context, QStringLiteral("User PIN (6-16 characters)"));
        const Bytes repeat = readPin(context, QStringLiteral("Repeat the user PIN"));
        const Bytes soPin = readPin(context, QStringLiteral("SO PIN / PUK (8-16 characters)"));
        const QString problem = provisionInputProblem(userPin, repeat, soPin);
        if (!problem.isEmpty()) {
            throw std::runtime_error(problem.toStdString());
        }
        requirePinFitsVerify(userPin);
        requirePinFitsVerify(soPin);
        const int reader = *readerIndex(parser);
        initializeToken(reader, userPin, soPin);
        generateSigningKey(reader, userPin);
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
    return runReportingErrors(context, [&] {
        const Bytes userPin =
            readPin(context, QStringLiteral("User PIN"), tokens::kMinUserPinLength);
        requirePinFitsVerify(userPin);
        generateSigningKey(*readerIndex(parser), userPin);
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
    return runReportingErrors(context, [&] {
        if (!parser.isSet(yes) && !confirmErase()) {
            return fail(context.json, QStringLiteral("Not erased."));
        }
        eraseToken(*readerIndex(parser));
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
