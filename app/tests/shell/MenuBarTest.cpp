#include "QtPrinters.h"
#include "ShellFixture.h"
#include "common/SettingsKeys.h"
#include "shell/MenuBarController.h"
#include "shell/TrayMenuView.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

using namespace orvela::shell;
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

class MenuBarTest : public ShellFixture {
protected:
    MenuBarController menu{controller.get()};
};

QList<MenuEntryId> ids(const QList<MenuEntry>& entries)
{
    QList<MenuEntryId> list;
    for (const MenuEntry& entry : entries) {
        list.append(entry.id);
    }
    return list;
}

TEST_F(MenuBarTest, LogOutIsOfferedOnlyWhenSignedInAndLogsOutThenOpens)
{
    QSignalSpy logout(&menu, &MenuBarController::logoutRequested);
    EXPECT_FALSE(ids(menu.entries()).contains(MenuEntryId::logout));
    menu.trigger(MenuEntryId::logout);
    EXPECT_EQ(logout.size(), 0);
    EXPECT_FALSE(find(menu.entries(), MenuEntryId::status)->enabled);

    QSignalSpy changed(&menu, &MenuBarController::entriesChanged);
    menu.setSignedIn(true, QStringLiteral("Бат-Эрдэнэ Болд"));
    EXPECT_EQ(changed.size(), 1);
    EXPECT_EQ(menu.entries().first().text, "Бат-Эрдэнэ Болд");
    EXPECT_EQ(ids(menu.entries()).indexOf(MenuEntryId::logout),
              ids(menu.entries()).indexOf(MenuEntryId::open) + 1);
    QList<QString> order;
    QObject::connect(&menu, &MenuBarController::logoutRequested, &menu,
                     [&] { order.append("logout"); });
    QObject::connect(&menu, &MenuBarController::openRequested, &menu,
                     [&] { order.append("open"); });
    menu.trigger(MenuEntryId::logout);
    EXPECT_EQ(order, QList<QString>({"logout", "open"}));

    // A blank name shows the plain state, in the interface language.
    localization.setLanguage(AppLanguage::en);
    EXPECT_EQ(changed.size(), 2);
    menu.setSignedIn(true, QStringLiteral("  "));
    EXPECT_EQ(menu.entries().first().text, "Signed in");
    menu.setSignedIn(false, QStringLiteral("Ignored"));
    EXPECT_EQ(menu.entries().first().text, "Not signed in");
}

TEST_F(MenuBarTest, TogglesChangeTheSharedSettingsOnlyWithATray)
{
    menu.setToggle(MenuEntryId::backgroundMode, true);
    EXPECT_TRUE(storedOnDisk(orvela::settings::uiBackgroundMode.toString()).toBool());
    EXPECT_TRUE(find(menu.entries(), MenuEntryId::backgroundMode)->checked);

    // Leaving menu-bar mode brings the window back.
    QSignalSpy open(&menu, &MenuBarController::openRequested);
    menu.trigger(MenuEntryId::backgroundMode);
    EXPECT_FALSE(controller->backgroundMode());
    EXPECT_EQ(open.size(), 1);

    // Without a tray the mode is off and cannot be chosen, whatever the file says.
    store().setValue(orvela::settings::uiBackgroundMode.toString(), true);
    tray.available = false;
    const QList<MenuEntry> entries = menu.entries();
    const MenuEntry* mode = find(entries, MenuEntryId::backgroundMode);
    ASSERT_NE(mode, nullptr);
    EXPECT_FALSE(mode->enabled || mode->checked);
}

TEST_F(MenuBarTest, TrayViewMirrorsTheEntriesAndForwardsActions)
{
    TrayMenuView view(menu);
    menu.setSignedIn(true, QStringLiteral("Dorj"));
    QTest::qWait(0);
    QList<QAction*> actions = view.menu()->actions();
    ASSERT_EQ(actions.size(), 9);
    EXPECT_EQ(actions.at(0)->text(), "Dorj");

    QSignalSpy quit(&menu, &MenuBarController::quitRequested);
    actions.last()->trigger();
    EXPECT_EQ(quit.size(), 1);

    QAction* launch = actions.at(5);
    ASSERT_TRUE(launch->isCheckable());
    launch->trigger();
    EXPECT_TRUE(loginItems->launchAtLogin());
    QTest::qWait(0);
    EXPECT_TRUE(view.menu()->actions().at(5)->isChecked());
}

} // namespace
