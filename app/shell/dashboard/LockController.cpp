#include "shell/dashboard/LockController.h"

#include "common/LocalizationService.h"
#include "shell/dashboard/LockConfirmation.h"
#include "shell/dashboard/PageText.h"
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
    return pickText(m_localization.language(), QStringLiteral("Lock your account?"),
                    QStringLiteral("Бүртгэлээ түгжих үү?"));
}

QString LockController::confirmationMessage() const
{
    return pickText(m_localization.language(),
                    QStringLiteral("You'll need to log in again with your registration number "
                                   "and phone confirmation."),
                    QStringLiteral("Та дахин нэвтрэхийн тулд регистрийн дугаар + гар утсаараа "
                                   "баталгаажуулна."));
}

} // namespace orvela::shell
