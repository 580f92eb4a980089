#pragma once

#include <QByteArray>
#include <QString>

namespace orvela::signing {

/// The signed copy's file: its name, made to fit the folder it goes to, the checks that can be
/// made before the phone is asked, and the writing, complete or not at all. Touches no shared
/// state, so every function runs on any thread.
class SignedCopy {
public:
    /// Where a signed copy went, or why it could not be written.
    struct Saved {
        QString path;  ///< empty on failure
        QString error; ///< the platform's reason
    };

    /// The base of the names taken when the document's own cannot be made in the folder (a
    /// character the file system refuses, a path past the system's longest).
    static constexpr char fallbackBase[] = "document";

    /// Signed name number `n` of `fileName`: "<base>_signed.pdf" for 0, else
    /// "<base>_signed (n).pdf". The base is the name without its last extension and without
    /// leading dots (a signed copy is never hidden), cut by whole characters until the whole
    /// name takes at most `nameMax` bytes on disk.
    static QString name(const QString& fileName, int n, qint64 nameMax = 255);

    /// The longest file name the folder's file system takes, in bytes.
    static qint64 nameMax(const QString& folder);

    /// What can be known before the phone is asked: the folder takes a new file under the
    /// signed name (or the fallback one) with `size` bytes set aside for it. Empty when it
    /// does, else the platform's reason.
    static QString check(const QString& folder, const QString& fileName, qint64 size);

    /// Writes `bytes` in `folder` under the first free signed name of `fileName`, or of the
    /// fallback base when the folder refuses that name. A name is claimed in one step that
    /// fails when it is taken, so racing writers each keep their own copy and none replaces
    /// a file.
    static Saved write(const QString& folder, const QString& fileName, const QByteArray& bytes);
};

} // namespace orvela::signing
