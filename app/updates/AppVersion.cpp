#include "updates/AppVersion.h"

#include <QCoreApplication>

namespace orvela::updates {

QString installedVersion()
{
    return QCoreApplication::applicationVersion().trimmed();
}

QString displayVersion()
{
    const QString version = installedVersion();
    return version.isEmpty() ? QStringLiteral("1.0.0") : version;
}

QString buildNumber()
{
    const QString build = QStringLiteral(ORVELA_BUILD_NUMBER);
    return build.isEmpty() ? QStringLiteral("—") : build;
}

} // namespace orvela::updates
