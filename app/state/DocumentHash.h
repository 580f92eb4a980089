#pragma once

#include <QByteArray>
#include <QString>

namespace orvela::state {

/// A document read whole into memory with its SHA-256, or why it could not be.
struct DocumentHash {
    enum class Status { ok, unreadable, tooLarge };

    Status status = Status::unreadable;
    QByteArray bytes;
    QByteArray digest;   ///< the 32 bytes of SHA-256
    QString errorString; ///< the platform's text when unreadable

    /// Reads `path` and hashes it as it is read. A file larger than `limit` is refused before
    /// its bytes are read, and again if it grew while being read. Blocking: call it off the
    /// interface thread.
    static DocumentHash read(const QString& path, qint64 limit);
};

} // namespace orvela::state
