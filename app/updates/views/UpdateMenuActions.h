#pragma once

#include <QObject>

class QAction;

namespace orvela::common {
class LocalizationService;
}
namespace orvela::updates {
class UpdateViewModel;
}

namespace orvela::updates::views {

/// The two application-menu items about updates, for the shell to place in its menus (the
/// window's and the tray's), in the interface language: check for updates, a person's check
/// that always answers, disabled while one runs or when no feed address is set, with the
/// reason as its tool tip; and release history, which asks for the release notes.
class UpdateMenuActions : public QObject {
    Q_OBJECT

public:
    /// `updates` and `localization` must outlive the actions.
    UpdateMenuActions(UpdateViewModel& updates, common::LocalizationService& localization,
                      QObject* parent = nullptr);

    QAction* checkForUpdatesAction() const { return m_check; }
    QAction* releaseHistoryAction() const { return m_history; }

signals:
    void releaseNotesRequested();

private:
    void refresh();

    UpdateViewModel& m_updates;
    common::LocalizationService& m_localization;
    QAction* m_check;
    QAction* m_history;
};

} // namespace orvela::updates::views
