#pragma once

#include <QKeySequence>
#include <QString>

namespace orvela::shell {

/// What a line of the tray menu is.
enum class MenuEntryId {
    status,
    separator,
    open,
    logout,
    launchAtLogin,
    backgroundMode,
    checkForUpdates,
    quit
};

/// One line of the tray menu as the view draws it.
struct MenuEntry {
    MenuEntryId id = MenuEntryId::separator;
    QString text;
    bool checkable = false;
    bool checked = false;
    /// False for the status line, which is not a button, and for a toggle that cannot work here.
    bool enabled = true;
    QKeySequence shortcut;
    /// Why a disabled line cannot be used, or what a line does; empty for most.
    QString toolTip;
};

} // namespace orvela::shell
