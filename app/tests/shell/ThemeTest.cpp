#include "QtPrinters.h"
#include "Screenshot.h"
#include "ShellFixture.h"
#include "common/SettingsKeys.h"
#include "shell/Appearance.h"
#include "shell/SettingsSheetView.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>

using namespace orvela::shell;
using orvela::shell::testing::ShellFixture;

namespace {

bool looksDark()
{
    return QApplication::palette().color(QPalette::Window).lightness() < 128;
}

class ThemeTest : public ShellFixture {
protected:
    void SetUp() override
    {
        Appearance::apply(ThemeMode::system);
        m_platformStyle = QApplication::style()->name();
        m_platformWindow = QApplication::palette().color(QPalette::Window);
    }
    void TearDown() override { Appearance::apply(ThemeMode::system); }

    QString m_platformStyle;
    QColor m_platformWindow;
};

TEST_F(ThemeTest, TheStoredThemeIsAppliedAtLaunch)
{
    store().setValue(orvela::settings::uiTheme.toString(), "dark");
    Appearance::applyStored(store());
    EXPECT_TRUE(looksDark());
    EXPECT_EQ(QApplication::style()->name().toLower(), "fusion");

    store().setValue(orvela::settings::uiTheme.toString(), "light");
    Appearance::applyStored(store());
    EXPECT_FALSE(looksDark());
    EXPECT_EQ(QApplication::style()->name().toLower(), "fusion");
}

TEST_F(ThemeTest, SystemAndUnknownValuesPutThePlatformLookBack)
{
    for (const char* value : {"system", "sepia", ""}) {
        SCOPED_TRACE(value);
        Appearance::apply(ThemeMode::dark);
        store().setValue(orvela::settings::uiTheme.toString(), value);
        Appearance::applyStored(store());
        EXPECT_EQ(QApplication::style()->name(), m_platformStyle);
        EXPECT_EQ(QApplication::palette().color(QPalette::Window), m_platformWindow);
    }
    store().remove(orvela::settings::uiTheme.toString());
    Appearance::apply(ThemeMode::dark);
    Appearance::applyStored(store());
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), m_platformWindow);
}

TEST_F(ThemeTest, ChoosingAThemeAppliesItAtOnceAndStoresIt)
{
    Appearance::follow(*controller);
    controller->setTheme(ThemeMode::dark);
    EXPECT_TRUE(looksDark());
    EXPECT_EQ(storedOnDisk(orvela::settings::uiTheme.toString()).toString(), "dark");
    EXPECT_EQ(controller->theme(), ThemeMode::dark);
    SettingsSheetView sheet(*controller);
    EXPECT_TRUE(sheet.palette().color(QPalette::Window).lightness() < 128);
    ASSERT_FALSE(orvela::testing::saveScreenshot(sheet, "settings-sheet-dark-mn").isEmpty());

    controller->setTheme(ThemeMode::light);
    EXPECT_FALSE(looksDark());
    EXPECT_EQ(storedOnDisk(orvela::settings::uiTheme.toString()).toString(), "light");

    controller->setTheme(ThemeMode::system);
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), m_platformWindow);
    EXPECT_EQ(storedOnDisk(orvela::settings::uiTheme.toString()).toString(), "system");
}

TEST(ThemeMode, RawValuesRoundTripAndUnknownMeansSystem)
{
    for (ThemeMode mode : {ThemeMode::system, ThemeMode::light, ThemeMode::dark}) {
        EXPECT_EQ(themeModeFromRaw(rawValue(mode)), mode);
    }
    EXPECT_EQ(themeModeFromRaw("Dark"), ThemeMode::system);
    EXPECT_EQ(themeModeFromRaw(QString()), ThemeMode::system);
}

} // namespace
