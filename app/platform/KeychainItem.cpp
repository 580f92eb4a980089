#include "platform/KeychainItem.h"

namespace orvela::platform {

QString keychainAccount(KeychainItem item)
{
    switch (item) {
    case KeychainItem::nationalId:
        return QStringLiteral("mn.orvela.eid.desktop.national.id");
    case KeychainItem::apiKey:
        return QStringLiteral("mn.orvela.eid.desktop.api.key");
    case KeychainItem::sessionToken:
        return QStringLiteral("mn.orvela.eid.desktop.session.token");
    case KeychainItem::identity:
        return QStringLiteral("mn.orvela.eid.desktop.identity");
    }
    return {};
}

} // namespace orvela::platform
