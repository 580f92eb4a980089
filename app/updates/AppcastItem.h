#pragma once

#include <QString>
#include <QUrl>

namespace orvela::updates {

/// One release announced by an update feed, as far as it passed the parser's checks.
struct AppcastItem {
    QString title;
    /// The version compared with the installed one: the short (display) version when the feed
    /// gives one, else its build version. Digits and dots only.
    QString version;
    /// An https address on the feed's own host.
    QUrl downloadUrl;
    /// Under the same rule as the download link; empty when the feed gives none or a bad one.
    QUrl releaseNotesUrl;
    /// The item's description as plain text, shortened to a screenful.
    QString notes;
};

} // namespace orvela::updates
