#include "common/SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace orvela::common {

bool makeSettingsFilePrivate(const QString& path)
{
    constexpr QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
    QFile file(path);
    if (file.exists()) {
        return file.permissions() == ownerOnly || file.setPermissions(ownerOnly);
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        return false;
    }
    // Another process may create it first; then its mode is narrowed like any existing file's.
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly, ownerOnly)) {
        return true;
    }
    return file.exists() && file.setPermissions(ownerOnly);
}

} // namespace orvela::common
