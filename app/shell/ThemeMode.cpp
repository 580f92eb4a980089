#include "shell/ThemeMode.h"

namespace orvela::shell {

ThemeMode themeModeFromRaw(const QString& raw)
{
    if (raw == QLatin1String("light")) {
        return ThemeMode::light;
    }
    if (raw == QLatin1String("dark")) {
        return ThemeMode::dark;
    }
    return ThemeMode::system;
}

QString rawValue(ThemeMode mode)
{
    switch (mode) {
    case ThemeMode::light:
        return QStringLiteral("light");
    case ThemeMode::dark:
        return QStringLiteral("dark");
    case ThemeMode::system:
        break;
    }
    return QStringLiteral("system");
}

} // namespace orvela::shell
