#pragma once

#include "signing/SignFailure.h"

#include <QByteArray>
#include <QString>
#include <functional>

namespace orvela::signing {

/// Where a signed copy is kept and how: the folder it goes to (the user's Downloads folder
/// unless told otherwise), the name it takes there, the checks that can be made before the
/// phone is asked, and the writing, whole or not at all. A writer holds no state but where its
/// folder comes from, and the static functions touch no shared state, so they run on any thread.
class SignedCopyWriter {
public:
    /// Where signed copies go: the folder, or an empty path with why there is none.
    using Folder = std::function<QString(SignFailure* why)>;

    /// Where a signed copy went, or why it could not be written.
    struct Saved {
        QString path;  ///< empty on failure
        QString error; ///< the platform's reason
    };

    /// The base of the names taken when the document's own cannot be made in the folder (a
    /// character the file system refuses, a path past the system's longest).
    static constexpr char fallbackBase[] = "document";

    /// Copies go where `folder` says; without it, into the user's Downloads folder, made when
    /// missing.
    explicit SignedCopyWriter(Folder folder = {});

    /// The folder a copy of `fileName` of at least `size` bytes will go to, checked to take it;
    /// an empty path with `why` set when it has none or it does not.
    QString prepare(const QString& fileName, qint64 size, SignFailure* why) const;

    /// The user's Downloads folder, made when missing; an empty path with `why` set otherwise.
    static QString downloads(SignFailure* why);

    /// The failure of a folder that took no copy, for the platform's `reason`.
    static SignFailure unwritable(const QString& folder, const QString& reason);

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
    /// fallback base when the folder refuses that name. The copy is written whole under a
    /// hidden name first; a name is then claimed in one step that fails when it is taken, so
    /// racing writers each keep their own copy and none replaces a file.
    static Saved write(const QString& folder, const QString& fileName, const QByteArray& bytes);

private:
    Folder m_folder;
};

} // namespace orvela::signing
