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

Bytes hashToSign(const QCommandLineParser& parser)
{
    const bool byHash = parser.isSet(QStringLiteral("hash"));
    if (byHash == parser.isSet(QStringLiteral("file"))) {
        throw std::runtime_error("orvela token sign: give either --hash HEX or --file PATH");
    }
    if (!byHash) {
        return hashOfFile(parser.value(QStringLiteral("file")));
    }
    Bytes hash = tokenkit::hexToBytes(parser.value(QStringLiteral("hash")).toStdString());
    if (hash.empty()) {
        throw std::runtime_error("orvela token sign: --hash takes hexadecimal digits");
    }
    return hash;
}

int runSign(CliContext& context)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Test signature: selects the applet and has the token sign a hash (--hash) or the\n"
        "SHA-256 of a file (--file). Prints the signature in hexadecimal."));
    parser.addOption(QCommandLineOption(QStringLiteral("hash"),
                                        QStringLiteral("The hash to sign, in hexadecimal."),
                                        QStringLiteral("HEX")));
    parser.addOption(QCommandLineOption(QStringLiteral("file"),
                                        QStringLiteral("Sign the SHA-256 of this file."),
                                        QStringLiteral("PATH")));
    if (auto stop = parseArguments(parser, context, QStringLiteral("token sign"))) {
        return *stop;
    }
    return runOnReaders(context, [&] {
        const Bytes hash = hashToSign(parser);
        const Bytes signature = tokens::signWithCard(*readerIndex(parser), hash);
        const QString text = QString::fromStdString(tokenkit::bytesToHex(signature));
        if (context.json) {
            printJson(QJsonObject{{QStringLiteral("signature"), text}});
        } else {
            printLine(text);
        }
        return 0;
    });
}

} // namespace

CliCommand signCommand()
{
    return {{QStringLiteral("token"), QStringLiteral("sign")},
            QStringLiteral("apdu"),
            QStringLiteral("Test signature of a hash or a file's SHA-256 [--hash HEX | --file "
                           "PATH]."),
            runSign};
}

} // namespace orvela::cli::token
