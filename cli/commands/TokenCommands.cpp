#include "commands/TokenCommands.h"

#include "CliLocalization.h"
#include "CliOutput.h"
#include "commands/TokenCommandSupport.h"
#include "common/LogCategories.h"
#include "orvela/tokenkit/CardReaders.h"
#include "tokens/TokenCard.h"
#include "tokens/TokenWork.h"

#include <QJsonArray>

namespace orvela::cli::token {

namespace {

QString hex(tokenkit::ByteView bytes)
{
    return QString::fromStdString(tokenkit::bytesToHex(bytes));
}

} // namespace

int runReaders(CliContext& context)
{
    return runOnReaders(context, [&](const ReaderAccess& access) {
        // Straight from the backend: the kit's own list reads a stopped service as no readers,
        // which would let a script take "the service is down" for "nothing is plugged in".
        const std::vector<std::string> names = access->backend()->listReaders();
        if (context.json) {
            QJsonArray readers;
            for (const auto& name : names) {
                readers.append(QString::fromStdString(name));
            }
            printJson(QJsonObject{{QStringLiteral("readers"), readers}});
        } else if (names.empty()) {
            printLine(cliText("Cli_Token_NoReaders"));
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
    return runOnReader(context, [&](const ReaderAccess& readers, int reader) {
        const tokenkit::TokenInfo info = tokens::readTokenInfo(*readers, reader);
        const QString label = QString::fromStdString(info.label);
        if (context.json) {
            printJson(QJsonObject{{QStringLiteral("label"), label},
                                  {QStringLiteral("atr"), hex(info.atr)},
                                  {QStringLiteral("isFIPS"), info.isFIPS},
                                  {QStringLiteral("appletSelected"), info.appletSelected}});
        } else {
            // Field names and values stay fixed whatever the language: scripts read them.
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
    return runOnReader(context, [&](const ReaderAccess& readers, int reader) {
        try {
            const tokenkit::Bytes challenge = tokens::connectionChallenge(*readers, reader);
            qCInfo(lcTokenManager, "Token connection OK, challenge: %s",
                   qUtf8Printable(hex(challenge)));
            if (context.json) {
                printJson(QJsonObject{{QStringLiteral("connected"), true},
                                      {QStringLiteral("challenge"), hex(challenge)}});
            } else {
                printLine(cliText("Cli_Token_ConnectionOk").arg(hex(challenge)));
            }
            return 0;
        } catch (const std::exception& error) {
            qCCritical(lcTokenManager, "Token connection failed: %s", error.what());
            throw;
        }
    });
}

} // namespace orvela::cli::token
