#include "signing/SignedCopyWriter.h"

#include "common/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QUuid>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/statvfs.h>
#include <system_error>
#include <unistd.h>

namespace orvela::signing {

namespace {

QString systemReason(int error)
{
    return QString::fromStdString(std::generic_category().message(error));
}

/// "contract.final.pdf" → "contract.final": only the last extension goes; ".pdf" is all
/// extension.
QString withoutLastExtension(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot >= 0 ? fileName.left(dot) : fileName;
}

/// Gives the finished file `from` the name `to` unless that name is taken, in one step; never
/// replaces. False with errno set otherwise (EEXIST: the name is taken).
bool claimName(const QString& from, const QString& to)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    const int renamed =
        ::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE);
    if (renamed == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
        return false;
    }
    // Some network filesystems know no exclusive rename; a second link to a taken name is
    // refused everywhere.
    if (::link(source.constData(), target.constData()) != 0) {
        return false;
    }
    ::unlink(source.constData());
    return true;
}

/// Writes `bytes` whole to a new hidden file in `folder`, on disk before it returns; the file
/// is made like any other the user creates (the umask applies). Empty path with the reason on
/// failure, and nothing left behind.
SignedCopyWriter::Saved writeHiddenCopy(const QString& folder, const QByteArray& bytes)
{
    const QString path =
        QDir(folder).filePath(QStringLiteral(".orvela-") +
                              QUuid::createUuid().toString(QUuid::Id128) + QStringLiteral(".part"));
    if (const auto error = common::writeFileAtomically(path, bytes)) {
        return {QString(), *error};
    }
    return {path, QString()};
}

/// Whether the file system has `size` bytes free for `fd`'s file, when it cannot set them
/// aside itself. 0, or ENOSPC.
int roomFor(int fd, qint64 size)
{
    struct statvfs fs {};
    if (::fstatvfs(fd, &fs) != 0) {
        return 0; // nothing known; the write will tell
    }
    const auto free = static_cast<unsigned long long>(fs.f_bavail) * fs.f_frsize;
    return free >= static_cast<unsigned long long>(size) ? 0 : ENOSPC;
}

/// Makes `path` anew with `size` bytes set aside, then removes it. 0, or the error (EEXIST:
/// the name is taken).
int probe(const QByteArray& path, qint64 size)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        return errno;
    }
    int error = size > 0 ? ::posix_fallocate(fd, 0, size) : 0;
    if (error == EOPNOTSUPP || error == EINVAL || error == ENOSYS) {
        error = roomFor(fd, size);
    }
    ::close(fd);
    ::unlink(path.constData());
    return error;
}

} // namespace

SignedCopyWriter::SignedCopyWriter(Folder folder)
    : m_folder(folder ? std::move(folder) : Folder(&SignedCopyWriter::downloads))
{}

QString SignedCopyWriter::prepare(const QString& fileName, qint64 size, SignFailure* why) const
{
    const QString folder = m_folder(why);
    if (folder.isEmpty()) {
        return {};
    }
    // Trying is the only honest check: permissions, a read-only mount, a name the file system
    // refuses and a full disk all show only when a file is made.
    const QString refused = check(folder, fileName, size);
    if (!refused.isEmpty()) {
        *why = unwritable(folder, refused);
        return {};
    }
    return folder;
}

QString SignedCopyWriter::downloads(SignFailure* why)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (folder.isEmpty()) {
        *why = {SignFailure::Kind::noDownloadsFolder, {}, {}, {}};
        return {};
    }
    if (!QDir().mkpath(folder)) {
        *why = {SignFailure::Kind::downloadsNotCreated, folder, {}, {}};
        return {};
    }
    return folder;
}

SignFailure SignedCopyWriter::unwritable(const QString& folder, const QString& reason)
{
    return {SignFailure::Kind::unwritableFolder, QDir::toNativeSeparators(folder), reason, {}};
}

QString SignedCopyWriter::name(const QString& fileName, int n, qint64 nameMax)
{
    QString base = withoutLastExtension(fileName);
    while (base.startsWith(u'.')) {
        base.remove(0, 1);
    }
    const QString suffix =
        n == 0 ? QStringLiteral("_signed.pdf") : QStringLiteral("_signed (%1).pdf").arg(n);
    const qint64 room = nameMax - QFile::encodeName(suffix).size();
    while (!base.isEmpty() && QFile::encodeName(base).size() > room) {
        const bool pair = base.size() >= 2 && base.back().isLowSurrogate();
        base.chop(pair ? 2 : 1);
    }
    return base + suffix;
}

qint64 SignedCopyWriter::nameMax(const QString& folder)
{
    const long longest = ::pathconf(QFile::encodeName(folder).constData(), _PC_NAME_MAX);
    return longest > 0 ? longest : 255;
}

QString SignedCopyWriter::check(const QString& folder, const QString& fileName, qint64 size)
{
    const qint64 longest = nameMax(folder);
    const QDir dir(folder);
    int firstError = 0;
    for (const QString& base : {fileName, QString::fromLatin1(fallbackBase)}) {
        int error = EEXIST;
        for (int n = 0; error == EEXIST; ++n) {
            error = probe(QFile::encodeName(dir.filePath(name(base, n, longest))), size);
        }
        if (error == 0) {
            return {};
        }
        firstError = firstError != 0 ? firstError : error;
    }
    return systemReason(firstError);
}

SignedCopyWriter::Saved SignedCopyWriter::write(const QString& folder, const QString& fileName,
                                                const QByteArray& bytes)
{
    const Saved hidden = writeHiddenCopy(folder, bytes);
    if (hidden.path.isEmpty()) {
        return hidden;
    }
    const qint64 longest = nameMax(folder);
    const QDir dir(folder);
    int firstError = 0;
    for (const QString& base : {fileName, QString::fromLatin1(fallbackBase)}) {
        for (int n = 0;; ++n) {
            const QString path = dir.filePath(name(base, n, longest));
            if (claimName(hidden.path, path)) {
                return {path, QString()};
            }
            if (errno != EEXIST) {
                firstError = firstError != 0 ? firstError : errno;
                break;
            }
        }
    }
    QFile::remove(hidden.path);
    return {QString(), systemReason(firstError)};
}

} // namespace orvela::signing
