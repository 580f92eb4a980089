#pragma once

#include <QObject>

namespace orvela::common {
class LocalizationService;
}
namespace orvela::state {
class AppState;
}

namespace orvela::shell {

class LockConfirmation;

/// The lock page's action: after the person confirms, the session is signed out and the
/// sign-in screen returns; a refusal changes nothing.
class LockController : public QObject {
    Q_OBJECT

public:
    /// None owned; all must outlive the controller.
    LockController(state::AppState& appState, common::LocalizationService& localization,
                   LockConfirmation& confirmation, QObject* parent = nullptr);

    /// Asks for confirmation, then signs out.
    void requestLock();

    QString confirmationTitle() const;
    QString confirmationMessage() const;

private:
    state::AppState& m_appState;
    common::LocalizationService& m_localization;
    LockConfirmation& m_confirmation;
    bool m_asking = false;
};

} // namespace orvela::shell
