#pragma once

#include "DesktopFixture.h"
#include "desktop/DemoMode.h"
#include "session/DashboardTab.h"
#include "shell/views/ContentView.h"
#include "shell/views/MainWindow.h"
#include "signin/views/LoginView.h"

#include <QHash>
#include <QString>
#include <QWidget>
#include <memory>

namespace orvela::desktoptest {

/// The assembled program walked as a person would, with a check of every screen it reaches: in
/// both languages, both themes and at the smallest and the default window, one language at a
/// time, every control named for a screen reader, nothing past the edge of what shows it, and a
/// picture of each.
class ScreenTest : public DesktopFixture {
protected:
    void TearDown() override;

    /// Launches with the demo plugin's virtual token, so that the token pages show a token. The
    /// phone answers no request unless a test scripts an answer.
    void launchWithDemoToken();
    /// Types `nationalId` into the sign-in form and presses the button, the phone approving.
    void submitApproved(const QString& nationalId);
    /// Waits until the dashboard has replaced the sign-in screen.
    bool waitForDashboard();
    /// Signs in through the form, waits for the dashboard and gives the keys to its page list,
    /// whose ring then shows in the pictures.
    bool signInByHand();

    QWidget& window() { return desktop().mainWindow(); }
    QWidget* screen() { return desktop().content().currentScreen(); }
    signin::views::LoginView* login() { return qobject_cast<signin::views::LoginView*>(screen()); }
    bool waitForPage(const char* page)
    {
        return waitUntil([&] { return login()->currentPage() == QLatin1String(page); });
    }

    template <class T> T* find(const char* name)
    {
        T* found = screen()->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    void openTab(session::DashboardTab tab);
    /// The visible top-level window named `name`, or null.
    static QWidget* shownWindow(const char* name);

    /// Checks `root` in both themes, at both sizes and in both languages, and saves pictures:
    /// light in both languages, dark and smallest in English. It leaves the window in English,
    /// dark and smallest.
    void check(const QString& name, QWidget& root);

    /// Pictures saved by check(), by name.
    QHash<QString, QString> saved;

private:
    std::unique_ptr<desktop::DemoMode> m_demo;
};

} // namespace orvela::desktoptest
