#include "commands/Pkcs11CommandSupport.h"

#include "CliOutput.h"

namespace orvela::cli::pkcs11 {

std::optional<std::string> CommandLine::library() const
{
    if (!isSet(QStringLiteral("library"))) {
        return std::nullopt;
    }
    return value(QStringLiteral("library")).toStdString();
}

tokens::TokenProvisioner CommandLine::provisioner() const
{
    return tokens::TokenProvisioner({0, library()});
}

void printSuccess(const CliContext& context, const QString& line, QJsonObject extra)
{
    if (context.json) {
        extra.insert(QStringLiteral("ok"), true);
        extra.insert(QStringLiteral("message"), line);
        printJson(extra);
    } else {
        printLine(line);
    }
}

} // namespace orvela::cli::pkcs11
