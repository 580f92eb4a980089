#include "commands/TokenCommands.h"

#include "CliOutput.h"
#include "commands/TokenCommandSupport.h"
#include "common/LogCategories.h"
#include "tokens/TokenCard.h"
#include "tokens/TokenWork.h"

#include <QJsonArray>

namespace orvela::cli {

CliCommands tokenApduCommands()
{
    return {token::readersCommand(),   token::infoCommand(),   token::testCommand(),
            token::provisionCommand(), token::keygenCommand(), token::eraseCommand(),
            token::signCommand()};
}

namespace token {

namespace {

QString hex(tokenkit::ByteView bytes)
{
    return QString::fromStdString(tokenkit::bytesToHex(bytes));
}

int runReaders(CliContext& context)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Lists the card readers."));
    if (auto stop = parseArguments(parser, context, QStringLiteral("token readers"), false)) {
        return *stop;
    }
    return runOnReaders(context, [&] {
        const std::vector<std::string> names = tokens::readerNames();
        if (context.json) {
            QJsonArray readers;
            for (const auto& name : names) {
                readers.append(QString::fromStdString(name));
            }
            printJson(QJsonObject{{QStringLiteral("readers"), readers}});
        } else if (names.empty()) {
            printLine(QStringLiteral("No card readers."));
        } else {
            for (std::size_t i = 0; i < names.size(); ++i) {
                printLine(
                    QStringLiteral("%1: %2").arg(i).arg(inert(QString::fromStdString(names[i]))));
            }
        }
        return 0;
    });
}

int runInfo(CliContext& context)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Shows the token's ATR, label, FIPS mode and whether its applet answers."));
    if (auto stop = parseArguments(parser, context, QStringLiteral("token info"))) {
        return *stop;
    }
    return runOnReaders(context, [&] {
        const tokenkit::TokenInfo info = tokens::readTokenInfo(*readerIndex(parser));
        const QString label = QString::fromStdString(info.label);
        if (context.json) {
            printJson(QJsonObject{{QStringLiteral("label"), label},
                                  {QStringLiteral("atr"), hex(info.atr)},
                                  {QStringLiteral("isFIPS"), info.isFIPS},
                                  {QStringLiteral("appletSelected"), info.appletSelected}});
        } else {
            printLine(QStringLiteral("Label:  %1").arg(inert(label)));
            printLine(QStringLiteral("ATR:    %1").arg(hex(info.atr)));
            printLine(QStringLiteral("FIPS:   %1").arg(info.isFIPS ? u"yes" : u"no"));
            printLine(
                QStringLiteral("Applet: %1").arg(info.appletSelected ? u"selected" : u"not found"));
        }
        return 0;
    });
}

int runTest(CliContext& context)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Connection test: selects the applet and asks the token for a challenge."));
    if (auto stop = parseArguments(parser, context, QStringLiteral("token test"))) {
        return *stop;
    }
    return runOnReaders(context, [&] {
        try {
            const tokenkit::Bytes challenge = tokens::connectionChallenge(*readerIndex(parser));
            qCInfo(lcTokenManager, "Token connection OK, challenge: %s",
                   qUtf8Printable(hex(challenge)));
            if (context.json) {
                printJson(QJsonObject{{QStringLiteral("connected"), true},
                                      {QStringLiteral("challenge"), hex(challenge)}});
            } else {
                printLine(QStringLiteral("Connection OK, challenge: %1").arg(hex(challenge)));
            }
            return 0;
        } catch (const std::exception& error) {
            qCCritical(lcTokenManager, "Token connection failed: %s",
                       qUtf8Printable(tokens::failureOf(error).message));
            throw;
        }
    });
}

} // namespace

CliCommand readersCommand()
{
    return {{QStringLiteral("token"), QStringLiteral("readers")},
            QString(),
            QStringLiteral("Lists the card readers."),
            runReaders};
}

CliCommand infoCommand()
{
    return {{QStringLiteral("token"), QStringLiteral("info")},
            QString(),
            QStringLiteral("Shows the token's ATR, label and applet state [--reader N]."),
            runInfo};
}

CliCommand testCommand()
{
    return {{QStringLiteral("token"), QStringLiteral("test")},
            QString(),
            QStringLiteral("Tests the connection to the token [--reader N]."),
            runTest};
}

} // namespace token

} // namespace orvela::cli
