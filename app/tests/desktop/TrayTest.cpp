// The tray menu through the real wiring: application state → controller → menu, and the
// menu's actions back to the state and the window.

#include "DesktopFixture.h"
#include "common/LocalizationService.h"
#include "shell/MainWindow.h"
#include "shell/TrayMenuView.h"
#include "state/AppState.h"

#include <QAction>
#include <QMenu>

using namespace orvela;
using namespace orvela::desktoptest;

namespace {

class TrayTest : public DesktopFixture {
protected:
    QMenu* menu() const { return m_desktop->trayMenu()->menu(); }
    QAction* action(const QString& text) const
    {
        for (QAction* candidate : menu()->actions()) {
            if (candidate->text() == text) {
                return candidate;
            }
        }
        return nullptr;
    }

    void SetUp() override
    {
        DesktopFixture::SetUp();
        launch();
        m_desktop = &desktop();
        m_desktop->localization().setLanguage(common::AppLanguage::en);
        runEventLoopFor(30);
    }

    shell::DesktopApplication* m_desktop = nullptr;
};

TEST_F(TrayTest, SigningInShowsTheNameAndLogOutSignsOutAndOpensTheWindow)
{
    m_desktop->appState().signIn(identity(QStringLiteral("Bat Dorj")));
    ASSERT_TRUE(waitUntil([&] { return action(QStringLiteral("Log out")) != nullptr; }));
    EXPECT_EQ(menu()->actions().first()->text(), QStringLiteral("Bat Dorj"));

    m_desktop->mainWindow().close();
    action(QStringLiteral("Log out"))->trigger();
    EXPECT_EQ(m_desktop->appState().screen(), state::AppScreen::login);
    EXPECT_TRUE(m_desktop->mainWindow().isVisible());
    ASSERT_TRUE(waitUntil([&] { return action(QStringLiteral("Log out")) == nullptr; }));

    m_desktop->mainWindow().close();
    action(QStringLiteral("Open window"))->trigger();
    EXPECT_TRUE(m_desktop->mainWindow().isVisible());
}

} // namespace
