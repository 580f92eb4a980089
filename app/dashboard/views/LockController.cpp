#include "dashboard/views/LockController.h"

#include "common/LocalizationService.h"
#include "common/LocalizationTables.h"
#include "components/Prompts.h"
#include "session/AppState.h"

#include <QWidget>

namespace orvela::dashboard::views {

LockController::LockController(session::AppState& appState,
                               common::LocalizationService& localization,
                               components::Prompts& prompts, QWidget* asker, Purpose purpose)
    : QObject(asker), m_appState(appState), m_localization(localization), m_prompts(prompts),
      m_asker(asker), m_purpose(purpose)
{}

void LockController::requestLock()
{
    // A second press while the question is open must not queue a second sign-out.
    if (m_asking) {
        return;
    }
    m_asking = true;
    const QString action =
        m_purpose == Purpose::lock ? QStringLiteral("Nav_Lock") : QStringLiteral("Nav_Logout");
    m_prompts.confirm(
        m_asker, confirmationTitle(), confirmationMessage(), m_localization.localized(action),
        m_localization.localized(QStringLiteral("Common_Cancel")), this, [this](bool confirmed) {
            m_asking = false;
            if (confirmed) {
                m_appState.signOut();
            }
        });
}

QString LockController::confirmationTitle() const
{
    return common::builtInText(m_purpose == Purpose::lock
                                   ? QStringLiteral("Page_LockController_LockYourAccount")
                                   : QStringLiteral("Page_LockController_SignOut"),
                               m_localization.language());
}

QString LockController::confirmationMessage() const
{
    const auto text = [this](const QString& key) {
        return common::builtInText(key, m_localization.language());
    };
    return text(QStringLiteral("Page_LockController_YouLlNeedTo")) + QStringLiteral("\n\n") +
           text(QStringLiteral("Page_LockController_ActivityLogCleared"));
}

LockController* askingSignOut(QWidget* asker, session::AppState& appState,
                              common::LocalizationService& localization,
                              components::Prompts& prompts, LockController::Purpose purpose)
{
    return new LockController(appState, localization, prompts, asker, purpose);
}

} // namespace orvela::dashboard::views
