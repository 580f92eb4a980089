#pragma once

#include "CliCommand.h"
#include "orvela/tokenkit/Bytes.h"
#include "tokens/TokenProvisioner.h"

#include <QJsonObject>
#include <optional>
#include <string_view>

namespace orvela::cli::pkcs11 {

/// A command's parsed options, with --library that every command of this road takes.
class CommandLine {
public:
    explicit CommandLine(const CliContext& context) : m_context(context) {}

    bool isSet(const QString& name) const { return m_context.isSet(name); }
    QString value(const QString& name) const { return m_context.value(name); }
    QStringList positional() const { return m_context.positionals; }

    /// The library named with --library, if any.
    std::optional<std::string> library() const;
    /// The token logic on the library of --library, else ORVELA_PKCS11_LIBRARY, else the
    /// default locations.
    tokens::TokenProvisioner provisioner() const;

private:
    const CliContext& m_context;
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

} // namespace orvela::cli::pkcs11
