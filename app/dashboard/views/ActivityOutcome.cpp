#include "dashboard/views/ActivityOutcome.h"

#include "common/LocalizationService.h"
#include "common/LocalizationTables.h"

namespace orvela::dashboard::views {

ActivityOutcome activityOutcomeOf(const QString& result)
{
    if (result == u"OK") {
        return ActivityOutcome::success;
    }
    if (result == u"USER_REFUSED" || result == u"USER_REFUSED_INTERACTION") {
        return ActivityOutcome::refused;
    }
    return ActivityOutcome::failed;
}

QString activityOutcomeText(ActivityOutcome outcome, common::AppLanguage language)
{
    switch (outcome) {
    case ActivityOutcome::success:
        return common::builtInText(QStringLiteral("Page_ActivityOutcome_Success"), language);
    case ActivityOutcome::refused:
        return common::builtInText(QStringLiteral("Page_ActivityOutcome_Refused"), language);
    case ActivityOutcome::failed:
        break;
    }
    return common::builtInText(QStringLiteral("Page_ActivityOutcome_Failed"), language);
}

components::Tone activityOutcomeTone(ActivityOutcome outcome)
{
    switch (outcome) {
    case ActivityOutcome::success:
        return components::Tone::success;
    case ActivityOutcome::refused:
        return components::Tone::warning;
    case ActivityOutcome::failed:
        break;
    }
    return components::Tone::danger;
}

QString overviewOutcomeText(ActivityOutcome outcome,
                            const common::LocalizationService& localization)
{
    return localization.localized(outcome == ActivityOutcome::success
                                      ? QStringLiteral("Dashboard_Activity_Success")
                                      : QStringLiteral("Dashboard_Activity_Failure"));
}

} // namespace orvela::dashboard::views
