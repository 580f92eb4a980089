#pragma once

#include <QObject>

class QMenu;
class QSystemTrayIcon;

namespace orvela::shell {
class TrayMenuController;
}

namespace orvela::shell::views {

/// The tray icon, named with the product's display name, and its menu, redrawn from the
/// controller's lines whenever they change.
class TrayMenuView : public QObject {
    Q_OBJECT

public:
    explicit TrayMenuView(TrayMenuController& controller, QObject* parent = nullptr);
    ~TrayMenuView() override;

    /// Puts the icon in the tray (when the desktop has one).
    void show();

    QMenu* menu() const { return m_menu; }
    QSystemTrayIcon* icon() const { return m_icon; }

private:
    void rebuild();

    TrayMenuController& m_controller;
    QMenu* m_menu;
    QSystemTrayIcon* m_icon;
};

} // namespace orvela::shell::views
