#pragma once

#include <QObject>

class QAction;

namespace orvela::common {
class LocalizationService;
}

namespace orvela::shell {

class UpdateChecker;

/// The two application-menu items about updates, for the shell to place in its menus, in the
/// interface language: check for updates (a feed check, disabled while one runs, shown only
/// while a feed address is set) and release history (asks for the release notes).
class UpdateMenuActions : public QObject {
    Q_OBJECT

public:
    /// `checker` and `localization` must outlive the actions.
    UpdateMenuActions(UpdateChecker* checker, common::LocalizationService& localization,
                      QObject* parent = nullptr);

    QAction* checkForUpdatesAction() const { return m_check; }
    QAction* releaseHistoryAction() const { return m_history; }

signals:
    void releaseNotesRequested();

private:
    QAction* m_check;
    QAction* m_history;
};

} // namespace orvela::shell
