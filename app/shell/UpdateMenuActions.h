#pragma once

#include <QObject>

class QAction;

namespace orvela::shell {

class UpdateChecker;

/// The two application-menu items about updates, for the shell to place in its menus:
/// "Шинэчлэлт шалгах..." (a feed check, disabled while one runs, shown only while a feed
/// address is set) and
/// "Шинэчлэлтийн түүх..." (asks for the release notes).
class UpdateMenuActions : public QObject {
    Q_OBJECT

public:
    /// `checker` must outlive the actions.
    explicit UpdateMenuActions(UpdateChecker* checker, QObject* parent = nullptr);

    QAction* checkForUpdatesAction() const { return m_check; }
    QAction* releaseHistoryAction() const { return m_history; }

signals:
    void releaseNotesRequested();

private:
    QAction* m_check;
    QAction* m_history;
};

} // namespace orvela::shell
