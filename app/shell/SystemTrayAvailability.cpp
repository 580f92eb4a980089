#include "shell/SystemTrayAvailability.h"

#include <QSystemTrayIcon>

namespace orvela::shell {

bool SystemTrayAvailability::isSystemTrayAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

} // namespace orvela::shell
