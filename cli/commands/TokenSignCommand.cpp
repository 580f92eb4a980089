#include "CliHelp.h"
#include "CliLocalization.h"
#include "CliOutput.h"
#include "commands/TokenCommandSupport.h"
#include "commands/TokenCommands.h"
#include "common/LocalInput.h"
#include "common/LocalizationService.h"
#include "orvela/tokenkit/Digest.h"
#include "tokens/TokenCard.h"

#include <stdexcept>

namespace orvela::cli::token {

using tokenkit::Bytes;

namespace {

Bytes hashOfFile(const QString& path)
{
    const common::LocalInput input = common::readLocalFile(path, common::inputLimit::document);
    if (const auto* error = std::get_if<common::LocalInputError>(&input)) {
        throw std::runtime_error(
            common::localInputMessage(*error, common::LocalizationService::shared()).toStdString());
    }
    const auto& content = std::get<QByteArray>(input);
    return tokenkit::sha256(tokenkit::ByteView(
        reinterpret_cast<const std::uint8_t*>(content.constData()), content.size()));
}

} // namespace

int runSign(CliContext& context)
{
    const bool byHash = context.isSet(QStringLiteral("hash"));
    if (byHash == context.isSet(QStringLiteral("file"))) {
        return usageError(context, cliText("Cli_Usage_HashOrFile"));
    }
    Bytes givenHash;
    if (byHash) {
        const auto digest = digestOption(context.value(QStringLiteral("hash")));
        if (!digest) {
            return usageError(context, cliText("Cli_Usage_HashHex"));
        }
        givenHash = *digest;
    }
    return runOnReader(context, [&](int reader) {
        const Bytes hash = byHash ? givenHash : hashOfFile(context.value(QStringLiteral("file")));
        const Bytes signature = tokens::signWithCard(reader, hash);
        const QString text = QString::fromStdString(tokenkit::bytesToHex(signature));
        if (context.json) {
            printJson(QJsonObject{{QStringLiteral("signature"), text}});
        } else {
            printLine(text);
        }
        return 0;
    });
}

} // namespace orvela::cli::token
