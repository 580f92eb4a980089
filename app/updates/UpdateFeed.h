#pragma once

#include "common/SettingsKeys.h"

#include <QUrl>

class QSettings;

namespace orvela::updates {

/// Address of the update feed chosen by the user or an administrator; wins over the one given
/// at build time.
inline constexpr settings::SettingsKey<QString> updateFeedUrl{QLatin1StringView("update.feedURL")};

/// The feed address in force: "update.feedURL" when set, else the ORVELA_UPDATE_FEED_URL the
/// program was configured with; empty when neither is set, which leaves update checks off.
QUrl configuredFeedUrl(const QSettings& store);

} // namespace orvela::updates
