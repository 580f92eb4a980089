#include "commands/Pkcs11CommandSupport.h"

#include "CliOutput.h"

#include <QCoreApplication>

namespace orvela::cli::pkcs11 {

CommandLine::CommandLine(QString name, QString description) : m_name(std::move(name))
{
    m_parser.setApplicationDescription(description);
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.addHelpOption();
    m_parser.addOption(QCommandLineOption(
        QStringLiteral("library"),
        QStringLiteral("PKCS#11 library to load (else $ORVELA_PKCS11_LIBRARY, else the "
                       "default locations)."),
        QStringLiteral("PATH")));
}

std::optional<int> CommandLine::parse(const CliContext& context)
{
    if (!m_parser.parse(QStringList{QStringLiteral("orvela ") + m_name} + context.args)) {
        return usageError(context, m_parser.errorText());
    }
    if (m_parser.isSet(QStringLiteral("help"))) {
        QString help = m_parser.helpText();
        // The parser names the binary's full path; name the command instead.
        help.replace(QCoreApplication::arguments().constFirst() + QStringLiteral(" [options]"),
                     QStringLiteral("orvela ") + m_name + QStringLiteral(" [options]"));
        // The global options live in main(); name the ones these commands honour.
        help += QStringLiteral("\nGlobal options: --json, --pin-stdin (PINs one per line on "
                               "standard input instead of the terminal).");
        printLine(help);
        return 0;
    }
    return std::nullopt;
}

std::optional<std::string> CommandLine::library() const
{
    if (!m_parser.isSet(QStringLiteral("library"))) {
        return std::nullopt;
    }
    return m_parser.value(QStringLiteral("library")).toStdString();
}

tokens::TokenProvisioner CommandLine::provisioner() const
{
    return tokens::TokenProvisioner({0, library()});
}

int CommandLine::usageError(const CliContext& context, const QString& message) const
{
    fail(context.json, QStringLiteral("orvela %1: %2").arg(m_name, message));
    return 2;
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
