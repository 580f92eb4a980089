// The menu bar's entries and the tray menu over them.

#include "QtPrinters.h"
#include "ShellFixture.h"
#include "common/SettingsKeys.h"
#include "shell/TrayMenuController.h"
#include "shell/views/TrayMenuView.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

using namespace orvela::shell;
using namespace orvela::shell::views;
using orvela::common::AppLanguage;
using orvela::shell::testing::ShellFixture;

namespace {

const MenuEntry* find(const QList<MenuEntry>& entries, MenuEntryId id)
{
    for (const MenuEntry& entry : entries) {
        if (entry.id == id) {
            return &entry;
        }
    }
    return nullptr;
}

class TrayMenuTest : public ShellFixture {
protected:
    TrayMenuController menu{controller.get()};
};

// The assembled program's tray test drives signing in and out through the menu in English.
TEST_F(TrayMenuTest, SignedOutLogOutDoesNothingARedrawFollowsTheLanguageAndTrayModeEnds)
{
    QSignalSpy logout(&menu, &TrayMenuController::logoutRequested);
    menu.trigger(MenuEntryId::logout);
    EXPECT_EQ(logout.size(), 0);
    EXPECT_FALSE(find(menu.entries(), MenuEntryId::status)->enabled);

    QSignalSpy changed(&menu, &TrayMenuController::entriesChanged);
    menu.setSignedIn(true, QStringLiteral("  "));
    localization.setLanguage(AppLanguage::en);
    EXPECT_EQ(changed.size(), 2);
    EXPECT_EQ(menu.entries().first().text, "Signed in");

    // Leaving tray mode brings the window back.
    menu.setToggle(MenuEntryId::backgroundMode, true);
    EXPECT_TRUE(storedOnDisk(orvela::settings::uiBackgroundMode.toString()).toBool());
    EXPECT_TRUE(find(menu.entries(), MenuEntryId::backgroundMode)->checked);
    QSignalSpy open(&menu, &TrayMenuController::openRequested);
    menu.trigger(MenuEntryId::backgroundMode);
    EXPECT_FALSE(controller->backgroundMode());
    EXPECT_EQ(open.size(), 1);
}

TEST_F(TrayMenuTest, TheTrayMenusLoginToggleShowsTheRecordsState)
{
    TrayMenuView view(menu);
    menu.setSignedIn(true, QStringLiteral("Dorj"));
    QTest::qWait(0);
    const auto launchAction = [&view] {
        return view.menu()->findChild<QAction*>(QStringLiteral("trayLaunchAtLogin"));
    };
    QAction* launch = launchAction();
    ASSERT_NE(launch, nullptr);
    ASSERT_TRUE(launch->isCheckable());
    launch->trigger();
    EXPECT_TRUE(autostart->launchAtLogin());
    QTest::qWait(0);
    ASSERT_NE(launchAction(), nullptr);
    EXPECT_TRUE(launchAction()->isChecked());
}

} // namespace
