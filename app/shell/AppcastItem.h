#pragma once

#include <QString>
#include <QUrl>

namespace orvela::shell {

/// One release announced by an update feed.
struct AppcastItem {
    QString title;
    /// The version compared with the installed one: the short (display) version when the feed
    /// gives one, else its build version.
    QString version;
    QUrl downloadUrl;
    QUrl releaseNotesUrl;
};

} // namespace orvela::shell
