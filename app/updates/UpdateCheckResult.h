#pragma once

#include "api/ApiError.h"

#include <QString>
#include <QUrl>
#include <optional>

namespace orvela::updates {

/// How one read of the update feed ended. A failure is kept as a kind (and the transfer's own
/// error), so that it is worded in the interface language only where it is shown.
struct UpdateCheckResult {
    enum class Status { upToDate, updateAvailable, failed };
    enum class Failure {
        none,
        notChecked,
        /// No usable feed address is set, so nothing could be asked.
        noFeed,
        /// The feed could not be fetched whole: see `transferError`.
        transfer,
        /// What came back is not an update feed.
        notAFeed,
        /// The feed names no release with a valid version and an acceptable download link.
        noRelease
    };

    Status status = Status::failed;
    Failure failure = Failure::notChecked;
    std::optional<api::CallError> transferError;
    /// The newest version the feed lists; empty when the check failed.
    QString latestVersion;
    /// Where the newer release can be downloaded, and its notes; set only when one is available.
    QUrl downloadUrl;
    QUrl releaseNotesUrl;
    QString notes;

    /// True when the feed was read and understood, whatever it said.
    bool feedRead() const { return status != Status::failed; }

    static UpdateCheckResult failed(Failure failure,
                                    std::optional<api::CallError> error = std::nullopt)
    {
        UpdateCheckResult result;
        result.failure = failure;
        result.transferError = std::move(error);
        return result;
    }
};

} // namespace orvela::updates
