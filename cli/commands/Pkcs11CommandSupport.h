#pragma once

#include "CliCommand.h"
#include "orvela/tokenkit/Bytes.h"
#include "tokens/TokenProvisioner.h"

#include <QCommandLineParser>
#include <QJsonObject>
#include <optional>
#include <string_view>

namespace orvela::cli::pkcs11 {

/// A command's own options, parsed with --help and --library added to every command.
class CommandLine {
public:
    CommandLine(QString name, QString description);

    void addOption(const QCommandLineOption& option) { m_parser.addOption(option); }
    void addPositional(const QString& name, const QString& description)
    {
        m_parser.addPositionalArgument(name, description);
    }

    /// Parses the command's arguments. An exit status when the command is done already
    /// (--help printed, or a usage error reported).
    std::optional<int> parse(const CliContext& context);

    bool isSet(const QString& name) const { return m_parser.isSet(name); }
    QString value(const QString& name) const { return m_parser.value(name); }
    QStringList positional() const { return m_parser.positionalArguments(); }

    /// The library named with --library, if any.
    std::optional<std::string> library() const;
    /// The token logic on the library of --library, else ORVELA_PKCS11_LIBRARY, else the
    /// default locations.
    tokens::TokenProvisioner provisioner() const;

    /// Reports a usage error in the command's form and returns the exit status 2.
    int usageError(const CliContext& context, const QString& message) const;

private:
    QString m_name;
    QCommandLineParser m_parser;
};

/// A PIN's bytes as the text the module takes; the bytes stay where they are.
inline std::string_view pinText(const tokenkit::Bytes& pin)
{
    return {reinterpret_cast<const char*>(pin.data()), pin.size()};
}

/// The fewest characters a token PIN set through this road has (the PIN change's rule); a
/// shorter one can only be wrong and would cost a try.
constexpr int kMinTokenPinLength = 4;

/// Prints a success line, or {"ok": true, "message": line} plus the extra fields with --json.
void printSuccess(const CliContext& context, const QString& line, QJsonObject extra = {});

/// The administration commands: PINs and token objects.
CliCommands adminCommands();

} // namespace orvela::cli::pkcs11
