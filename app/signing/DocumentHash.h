#pragma once

#include <QByteArray>
#include <QString>

namespace orvela::signing {

/// A document read whole into memory with its SHA-256, or why it could not be.
struct DocumentHash {
    enum class Status {
        ok,
        unreadable,     ///< `errorString` tells why
        notRegularFile, ///< a folder, pipe, socket or device
        notPdf,         ///< does not start with "%PDF-"
        tooLarge
    };

    /// How every PDF begins.
    static constexpr char pdfSignature[] = "%PDF-";

    Status status = Status::unreadable;
    QByteArray bytes;
    QByteArray digest;   ///< the 32 bytes of SHA-256
    QString errorString; ///< the platform's text when unreadable

    /// Reads `path` and hashes it as it is read. Only a regular file is opened: a pipe would
    /// block the read for good. A file larger than `limit` is refused before its bytes are
    /// read, and again if it grew while being read; one that does not start like a PDF is
    /// refused once read. Blocking: call it off the interface thread.
    static DocumentHash read(const QString& path, qint64 limit);
};

} // namespace orvela::signing
