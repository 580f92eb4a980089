#pragma once

#include <QObject>

// The state enumerations screens observe through properties; one Qt namespace holds them all,
// since Qt allows one meta-object per namespace.
namespace orvela::session {

Q_NAMESPACE

/// The top-level screen: the sign-in screen or the dashboard shell.
enum class AppScreen { login, dashboard };
Q_ENUM_NS(AppScreen)

/// The pages of the dashboard, in sidebar order; raw values in DashboardTab.h.
enum class DashboardTab {
    dashboard,
    id,
    logs,
    devices,
    security,
    children,
    sign,
    tokens,
    support,
    privacy,
    lock,
    home,
    verify
};
Q_ENUM_NS(DashboardTab)

/// The sign-in method chosen on the sign-in screen.
enum class LoginTab { nationalIdPush, qrScan };
Q_ENUM_NS(LoginTab)

/// Progress of a sign-in attempt.
enum class AuthPhase {
    idle,       ///< form shown, nothing running
    initiating, ///< national-ID request being sent
    waiting,    ///< push sent, waiting for approval on the phone
    success,    ///< approved; success screen before the dashboard
    failed      ///< last attempt failed; form shown with the error message
};
Q_ENUM_NS(AuthPhase)

} // namespace orvela::session
