#pragma once

#include <QObject>

class QWidget;

namespace orvela::common {
class LocalizationService;
}
namespace orvela::session {
class AppState;
}
namespace orvela::components {
class Prompts;
}

namespace orvela::dashboard::views {

/// Signing out on the person's word, from the lock page or a sign-out entry: after they confirm,
/// the session is signed out and the sign-in screen returns; a refusal changes nothing. Signing
/// out also clears the activity log on this computer, so the question says so.
class LockController : public QObject {
    Q_OBJECT

public:
    /// Whose words the question uses: the lock page's or a sign-out entry's.
    enum class Purpose { lock, signOut };

    /// None owned; all must outlive the controller. The question comes over `asker`'s window,
    /// and the controller is `asker`'s child.
    LockController(session::AppState& appState, common::LocalizationService& localization,
                   components::Prompts& prompts, QWidget* asker = nullptr,
                   Purpose purpose = Purpose::lock);

    /// Asks for confirmation, then signs out.
    void requestLock();

    QString confirmationTitle() const;
    QString confirmationMessage() const;

private:
    session::AppState& m_appState;
    common::LocalizationService& m_localization;
    components::Prompts& m_prompts;
    QWidget* m_asker;
    Purpose m_purpose;
    bool m_asking = false;
};

/// A controller that signs out once the person confirms over `asker`'s window; `asker`'s child.
LockController* askingSignOut(QWidget* asker, session::AppState& appState,
                              common::LocalizationService& localization,
                              components::Prompts& prompts, LockController::Purpose purpose);

} // namespace orvela::dashboard::views
