#pragma once

#include "session/DashboardSession.h"

#include <QByteArray>
#include <QList>

namespace orvela::session {

/// What could be read of the activity log's stored text.
struct ActivityLogText {
    QList<DashboardSession> records; ///< newest first, each bounded (boundedActivityRecord)
    /// False when some of the text held no readable record (a record with a missing key, a cut
    /// or mangled tail): a rewrite from `records` would lose it.
    bool complete = true;
};

/// Reads the stored log record by record: a cut or mangled text keeps every record that can
/// still be read whole, in its order.
ActivityLogText readActivityLog(const QByteArray& stored);

/// Most characters the log keeps of the backend's state text, and of a document's name.
inline constexpr qsizetype maxActivityStateLength = 64;
inline constexpr qsizetype maxActivityNameLength = 255;

/// `record` with every text capped, so that no backend reply or hand-edited file can make the
/// log (and the settings file that holds it) grow without bound: the result is a short code
/// (1 to 32 of A-Z, 0-9 and "_") or else "other"; the document's name keeps a file name's
/// length; every other text keeps the state's.
DashboardSession boundedActivityRecord(DashboardSession record);

} // namespace orvela::session
