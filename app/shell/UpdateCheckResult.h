#pragma once

#include <QString>
#include <QUrl>

namespace orvela::shell {

/// How one read of the update feed ended.
struct UpdateCheckResult {
    enum class Status { upToDate, updateAvailable, failed };

    Status status = Status::failed;
    /// The newest version the feed lists; empty when the check failed.
    QString latestVersion;
    /// Where the newer release can be downloaded; set only when one is available.
    QUrl downloadUrl;
    QUrl releaseNotesUrl;
    /// Why the check failed, for the log; empty otherwise.
    QString error;

    /// True when the feed was read and understood, whatever it said.
    bool feedRead() const { return status != Status::failed; }
};

} // namespace orvela::shell
