#pragma once

#include "common/AppLanguage.h"
#include "components/Style.h"

#include <QString>

namespace orvela::common {
class LocalizationService;
}

namespace orvela::dashboard::views {

/// How an activity record ended, read from its result code.
enum class ActivityOutcome { success, refused, failed };

/// Success only for "OK"; the person's refusals ("USER_REFUSED", "USER_REFUSED_INTERACTION")
/// are refusals; every other code (a timeout, "FAILED", a backend code) is a failure, never a
/// success.
ActivityOutcome activityOutcomeOf(const QString& result);

/// "Success", "Refused" or "Failed" in the language.
QString activityOutcomeText(ActivityOutcome outcome, common::AppLanguage language);

/// Success green, refusal amber, failure red.
components::Tone activityOutcomeTone(ActivityOutcome outcome);

/// The overview's label, which tells only whether a record went through:
/// "Dashboard_Activity_Success" for a success, "Dashboard_Activity_Failure" for anything else.
QString overviewOutcomeText(ActivityOutcome outcome,
                            const common::LocalizationService& localization);

} // namespace orvela::dashboard::views
