#include "platform/SystemTrayAvailability.h"

#include <QSystemTrayIcon>

namespace orvela::platform {

bool SystemTrayAvailability::isSystemTrayAvailable() const
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

} // namespace orvela::platform
