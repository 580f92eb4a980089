#pragma once

#include <QDate>
#include <QList>
#include <QString>

namespace orvela::updates {

/// What a release-notes line announces; it picks the line's icon colour.
enum class ItemType { feature, improvement, security };

/// One line of a release's notes.
struct ChangelogItem {
    QString icon;
    /// The line's key in the string tables, so that it reads in the interface language.
    QString text;
    ItemType type = ItemType::feature;

    friend bool operator==(const ChangelogItem&, const ChangelogItem&) = default;
};

/// The notes of one release.
struct ChangelogEntry {
    QString version;
    QDate date;
    QList<ChangelogItem> items;
};

/// The release notes shipped with the program, newest release first.
QList<ChangelogEntry> releaseHistory();

} // namespace orvela::updates
