#pragma once

#include "shell/dashboard/LockConfirmation.h"
#include "shell/dashboard/LockController.h"

#include <QObject>

class QWidget;

namespace orvela::shell {

/// Asks with a window-modal message box that does not block the event loop. A child of the
/// widget it asks over.
class MessageBoxConfirmation : public QObject, public LockConfirmation {
    Q_OBJECT

public:
    explicit MessageBoxConfirmation(QWidget* parent);

    void confirm(const QString& title, const QString& message, const QString& confirmLabel,
                 QObject* context, std::function<void(bool)> answer) override;

private:
    QWidget* m_parent;
};

/// A controller that signs out once the person confirms in a message box over `parent`; both
/// are children of `parent`.
LockController* askingSignOut(QWidget* parent, state::AppState& appState,
                              common::LocalizationService& localization,
                              LockController::Purpose purpose);

} // namespace orvela::shell
