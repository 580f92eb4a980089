#pragma once

#include "updates/AppcastItem.h"

#include <QByteArray>
#include <QList>
#include <optional>

namespace orvela::updates {

/// Reads an appcast (an RSS feed whose items announce releases). A version may come from the
/// item's <sparkle:shortVersionString> or <sparkle:version> elements or from the same names as
/// attributes of its <enclosure>; the download link from the enclosure's url, else the item's
/// <link>; the notes from its <description>. The feed is outside input: an item is kept only
/// when its version is digits and dots and its link is https on the feed's own host (no user
/// name in it), so a tampered feed cannot send anyone elsewhere or put text in the version.
class AppcastParser {
public:
    /// The acceptable releases of the feed read from `feed`, in feed order; nullopt when the
    /// text is not well-formed XML with an <rss> root.
    static std::optional<QList<AppcastItem>> parse(const QByteArray& xml, const QUrl& feed);

    /// The release with the highest version; nullopt when `items` is empty.
    static std::optional<AppcastItem> newest(const QList<AppcastItem>& items);

    /// Compares dotted versions number by number, missing parts counting as zero, so "1.10"
    /// is above "1.9" and "1.0" equals "1.0.0". Negative, zero or positive.
    static int compareVersions(const QString& left, const QString& right);

    /// Digits and dots, a number first and last: "1", "1.2.10".
    static bool isValidVersion(const QString& version);

    /// An https address on `feed`'s host, with no user name or password.
    static bool isOfferableLink(const QUrl& link, const QUrl& feed);
};

} // namespace orvela::updates
