#include "updates/UpdateFeed.h"

#include <QSettings>

namespace orvela::updates {

QUrl configuredFeedUrl(const QSettings& store)
{
    const QString stored = store.value(updateFeedUrl.toString()).toString().trimmed();
    const QString chosen = stored.isEmpty() ? QStringLiteral(ORVELA_UPDATE_FEED_URL) : stored;
    return QUrl(chosen, QUrl::StrictMode);
}

} // namespace orvela::updates
