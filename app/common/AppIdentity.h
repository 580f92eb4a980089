#pragma once

#include <QString>

namespace orvela::common {

/// The name the product shows its users, in both languages: window title, tray item, menus,
/// the menu and autostart entries and the software-centre listing. The install rules read it
/// from this line, so it is written here once.
inline constexpr char displayName[] = "Nuvia";

/// The program's own name, beside the service's: the release notes name the program and its
/// version, since the version is the program's, not the service's.
inline constexpr char productName[] = "Orvela Desktop";

/// The reverse-DNS identifier shared by the desktop entry, its icon and the AppStream
/// component; desktops match a window to its entry by it. The install rules read it from here.
inline constexpr char desktopId[] = "mn.orvela.Desktop";

/// Names the process as the product, so that the desktop application and the command-line tool
/// read and write the same settings file, and makes that file private to its owner. Needs no
/// application object, so a run that only answers --help or --version can use it too.
void applyAppIdentity();

} // namespace orvela::common
