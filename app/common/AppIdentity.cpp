#include "common/AppIdentity.h"

#include "common/LocalizationTables.h"
#include "common/SettingsFile.h"

#include <QCoreApplication>

namespace orvela::common {

bool applyAppIdentity()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Orvela"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("orvela.mn"));
    QCoreApplication::setApplicationName(QStringLiteral("orvela-desktop"));
    const QString settings = defaultSettingsPath();
    if (!isUsableSettingsFile(settings)) {
        return false;
    }
    // Earlier versions left the file readable by everyone; narrow it before anything is read.
    makeSettingsFilePrivate(settings);
    return true;
}

QString settingsFileRefusal()
{
    // The interface language is kept in the very file that cannot be read: both are given.
    const QString key = QStringLiteral("Settings_File_NotRegular");
    const QString path = QStringLiteral(": ") + defaultSettingsPath();
    return builtInText(key, AppLanguage::mn) + path + QStringLiteral("\n\n") +
           builtInText(key, AppLanguage::en) + path;
}

} // namespace orvela::common
