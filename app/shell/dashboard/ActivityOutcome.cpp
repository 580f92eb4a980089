#include "shell/dashboard/ActivityOutcome.h"

#include "common/LocalizationService.h"
#include "shell/dashboard/PageText.h"

namespace orvela::shell {

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
        return pickText(language, QStringLiteral("Success"), QStringLiteral("Амжилттай"));
    case ActivityOutcome::refused:
        return pickText(language, QStringLiteral("Refused"), QStringLiteral("Татгалзсан"));
    case ActivityOutcome::failed:
        break;
    }
    return pickText(language, QStringLiteral("Failed"), QStringLiteral("Амжилтгүй"));
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

} // namespace orvela::shell
