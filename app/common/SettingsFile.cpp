#include "common/SettingsFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <sys/stat.h>

namespace orvela::common {

namespace {

constexpr QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;

} // namespace

QString defaultSettingsPath()
{
    // Where the settings library puts an organisation's application settings on Linux.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QLatin1Char('/') + QCoreApplication::organizationName() + QLatin1Char('/') +
           QCoreApplication::applicationName() + QStringLiteral(".conf");
}

bool isUsableSettingsFile(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        return errno == ENOENT; // missing, or a link to nothing: made anew on the first write
    }
    return S_ISREG(info.st_mode);
}

bool makeSettingsFilePrivate(const QString& path)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(path).constData(), &info) == 0) {
        if (S_ISLNK(info.st_mode)) {
            return isUsableSettingsFile(path);
        }
        QFile file(path);
        return S_ISREG(info.st_mode) &&
               (file.permissions() == ownerOnly || file.setPermissions(ownerOnly));
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        return false;
    }
    // Another process may create it first; then its mode is narrowed like any existing file's.
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly, ownerOnly)) {
        return true;
    }
    return file.exists() && file.setPermissions(ownerOnly);
}

QString keepBesideSettings(const QString& path, const QByteArray& text)
{
    constexpr int maxCopies = 100;
    for (int copy = 1; copy <= maxCopies; ++copy) {
        QFile file(path + QStringLiteral(".bad") +
                   (copy == 1 ? QString() : QStringLiteral(".%1").arg(copy)));
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly, ownerOnly)) {
            const bool whole = file.write(text) == text.size() && file.flush();
            file.close();
            if (whole) {
                return file.fileName();
            }
            file.remove();
            return {};
        }
        if (!file.exists()) {
            return {}; // the folder refuses new files; another name would fare no better
        }
    }
    return {};
}

} // namespace orvela::common
