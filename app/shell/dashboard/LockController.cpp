#include "shell/dashboard/LockController.h"

#include "common/LocalizationService.h"
#include "common/LocalizationTables.h"
#include "shell/dashboard/LockConfirmation.h"
#include "state/AppState.h"

namespace orvela::shell {

LockController::LockController(state::AppState& appState, common::LocalizationService& localization,
                               LockConfirmation& confirmation, QObject* parent)
    : QObject(parent), m_appState(appState), m_localization(localization),
      m_confirmation(confirmation)
{}

void LockController::requestLock()
{
    // A second press while the question is open must not queue a second sign-out.
    if (m_asking) {
        return;
    }
    m_asking = true;
    m_confirmation.confirm(confirmationTitle(), confirmationMessage(),
                           m_localization.localized(QStringLiteral("Nav_Lock")), this,
                           [this](bool confirmed) {
                               m_asking = false;
                               if (confirmed) {
                                   m_appState.signOut();
                               }
                           });
}

QString LockController::confirmationTitle() const
{
    return common::builtInText(QStringLiteral("Page_LockController_LockYourAccount"),
                               m_localization.language());
}

QString LockController::confirmationMessage() const
{
    return common::builtInText(QStringLiteral("Page_LockController_YouLlNeedTo"),
                               m_localization.language());
}

} // namespace orvela::shell
