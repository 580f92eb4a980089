#pragma once

#include "common/AppLanguage.h"
#include "updates/UpdateCheckResult.h"

#include <QString>
#include <QUrl>

namespace orvela::updates {

/// What the outcome window of an update check says, in one language.
struct UpdateOutcome {
    QString title;
    QString message;
    /// The new release's notes as plain text; empty for the other outcomes.
    QString notes;
    /// The download link of a new release; empty otherwise.
    QUrl download;
};

/// Words `result` in `language`: up to date, a new version (with notes and link), or the
/// reason the check failed. `installedVersion` is the one the check compared with.
UpdateOutcome describeOutcome(const UpdateCheckResult& result, const QString& installedVersion,
                              common::AppLanguage language);

/// Why a failed check failed, in `language`.
QString failureReason(const UpdateCheckResult& result, common::AppLanguage language);

} // namespace orvela::updates
