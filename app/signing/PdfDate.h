#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

namespace orvela::signing {

/// A PDF date ("D:YYYYMMDDHHmmSS" with an optional "Z" or "+HH'mm'" offset, later parts
/// optional) in UTC; nullopt when it is none.
std::optional<QDateTime> parsePdfDate(const QString& text);

} // namespace orvela::signing
