#pragma once

#include <QByteArray>
#include <optional>

namespace orvela::tokens {

/// The certificate value to store for the bytes of a file the user chose: the DER inside PEM
/// text when the file is UTF-8 text holding exactly one "CERTIFICATE" block, and nothing
/// outside it, whose Base64 decodes strictly; in every other case the file's bytes unchanged
/// (bare Base64 without the markers included, which is then no certificate).
QByteArray certificateValueFromFile(const QByteArray& fileBytes);

/// The value of certificateValueFromFile when it is exactly one X.509 certificate in DER and
/// nothing else; nothing otherwise, so no corrupt object ever reaches the token.
std::optional<QByteArray> certificateToImport(const QByteArray& fileBytes);

} // namespace orvela::tokens
