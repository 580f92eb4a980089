#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace orvela::common {

/// Writes `bytes` to `path` whole or not at all: into a temporary file beside it, renamed over
/// it only once every byte is on disk, so a reader never meets half a file and a failure leaves
/// the old one as it was. The system's reason when it failed, nothing when it succeeded.
[[nodiscard]] std::optional<QString> writeFileAtomically(const QString& path,
                                                         const QByteArray& bytes);

} // namespace orvela::common
