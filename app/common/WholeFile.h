#pragma once

#include <QByteArray>
#include <QString>

namespace orvela::common {

/// Writes `bytes` to `path` whole or not at all (a temporary file renamed into place, as
/// QSaveFile does): a failure never leaves a partial file behind, nor harms one already there.
/// Empty when the whole text reached `path`, else the system's reason.
QString writeWholeFile(const QString& path, const QByteArray& bytes);

} // namespace orvela::common
