#include "common/AppIdentity.h"

#include <QCoreApplication>

namespace orvela::common {

void applyAppIdentity()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Orvela"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("orvela.mn"));
    QCoreApplication::setApplicationName(QStringLiteral("orvela-desktop"));
}

} // namespace orvela::common
