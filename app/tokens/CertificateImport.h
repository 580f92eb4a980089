#pragma once

#include <QByteArray>

namespace orvela::tokens {

/// The certificate value to store for the bytes of a file the user chose: the DER inside PEM
/// text when the file is UTF-8 text with a "-----BEGIN" marker whose Base64 decodes strictly;
/// in every other case the file's bytes unchanged.
QByteArray certificateValueFromFile(const QByteArray& fileBytes);

} // namespace orvela::tokens
