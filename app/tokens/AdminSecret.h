#pragma once

#include "orvela/tokenkit/Bytes.h"

#include <QByteArray>
#include <QString>
#include <string_view>

namespace orvela::tokens {

/// A PIN typed into a field, as the token work takes it: UTF-8 in a buffer that wipes itself,
/// so the copy that crosses to the worker does not outlive the action.
inline tokenkit::Bytes secretOf(const QString& text)
{
    QByteArray utf8 = text.toUtf8();
    tokenkit::Bytes secret(utf8.cbegin(), utf8.cend());
    tokenkit::secureWipe(utf8.data(), static_cast<std::size_t>(utf8.size()));
    return secret;
}

/// The secret as the text the provisioner's PKCS#11 calls take.
inline std::string_view textOf(const tokenkit::Bytes& secret)
{
    return {reinterpret_cast<const char*>(secret.data()), secret.size()};
}

} // namespace orvela::tokens
