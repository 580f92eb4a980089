#pragma once

#include "shell/AppcastItem.h"

#include <QByteArray>
#include <QList>
#include <optional>

namespace orvela::shell {

/// Reads an appcast (an RSS feed whose items announce releases). A version may come from the
/// item's <sparkle:shortVersionString> or <sparkle:version> elements or from the same names as
/// attributes of its <enclosure>; the download link from the enclosure's url, else the item's
/// <link>. Items without a version or a link are skipped.
class AppcastParser {
public:
    /// The releases in feed order; nullopt when the text is not well-formed XML.
    static std::optional<QList<AppcastItem>> parse(const QByteArray& xml);

    /// The release with the highest version; nullopt when `items` is empty.
    static std::optional<AppcastItem> newest(const QList<AppcastItem>& items);

    /// Compares dotted versions number by number, missing parts counting as zero, so "1.10"
    /// is above "1.9" and "1.0" equals "1.0.0". Negative, zero or positive.
    static int compareVersions(const QString& left, const QString& right);
};

} // namespace orvela::shell
