#include "common/AppIdentity.h"

#include "common/SettingsFile.h"

#include <QCoreApplication>
#include <QSettings>

namespace orvela::common {

void applyAppIdentity()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Orvela"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("orvela.mn"));
    QCoreApplication::setApplicationName(QStringLiteral("orvela-desktop"));
    // Earlier versions left the file readable by everyone; narrow it before anything is read.
    makeSettingsFilePrivate(QSettings().fileName());
}

} // namespace orvela::common
