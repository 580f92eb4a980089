#include "QtPrinters.h"
#include "ShellFixture.h"
#include "common/QtDialogLanguage.h"
#include "common/SettingsKeys.h"
#include "shell/SettingsSheetView.h"
#include "shell/SettingsView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace orvela::shell;
using orvela::common::AppLanguage;
using orvela::shell::testing::ShellFixture;

namespace {

using SettingsControllerTest = ShellFixture;

// A settings file as a person or an older version may leave it: every value the controller reads
// back is either the one written or the safe default, never a guess from a near miss.
TEST_F(SettingsControllerTest, AHandWrittenFileIsReadBackOrFallsBackSafely)
{
    struct Case {
        const char* ini;
        ThemeMode theme;
        AppLanguage language;
        bool background;
        bool biometric;
        const char* api;
    };
    const Case cases[] = {
        {"", ThemeMode::system, AppLanguage::mn, false, true, ""},
        {"[General]\nui.theme=dark\napp_language=en\nui.backgroundMode=true\n"
         "auth.biometricGateEnabled=false\nAPI_BASE_URL_OVERRIDE=http://127.0.0.1:3000\n",
         ThemeMode::dark, AppLanguage::en, true, false, "http://127.0.0.1:3000"},
        {"[General]\nui.theme=light\nui.backgroundMode=false\nauth.biometricGateEnabled=true\n",
         ThemeMode::light, AppLanguage::mn, false, true, ""},
        // Near misses, other types, other sections and unknown keys.
        {"[General]\nui.theme=Dark\napp_language=EN\nunknown.key=1\n[ui]\nbackgroundMode=true\n"
         "[auth]\nbiometricGateEnabled=false\n",
         ThemeMode::system, AppLanguage::mn, false, true, ""},
        {"[General]\nui.theme=2\napp_language=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x1)\n"
         "ui.theme=purple\nui.backgroundMode=\n",
         ThemeMode::system, AppLanguage::mn, false, true, ""},
        // Only a stored false turns the presence check off, as the restore reads it.
        {"[General]\nauth.biometricGateEnabled=0\n", ThemeMode::system, AppLanguage::mn, false,
         true, ""},
        {"not an ini file at all \x01\x02\n=\n[", ThemeMode::system, AppLanguage::mn, false, true,
         ""},
    };
    int number = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ini);
        // Written before any QSettings opens the file: handles share a cache per path.
        const QString path = m_dir.filePath(QStringLiteral("hand-%1.ini").arg(++number));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(c.ini) >= 0);
        file.close();
        QSettings settings(path, QSettings::IniFormat);
        orvela::common::LocalizationService language(&settings);
        SettingsController read(&settings, &language, loginItems.get(), &tray);
        EXPECT_EQ(read.theme(), c.theme);
        EXPECT_EQ(read.language(), c.language);
        EXPECT_EQ(read.backgroundMode(), c.background);
        EXPECT_EQ(read.biometricGateEnabled(), c.biometric);
        EXPECT_EQ(read.apiBaseUrlOverride(), QString::fromLatin1(c.api));
    }
}

// A blank address removes the override; an update feed no check could use counts as none.
TEST_F(SettingsControllerTest, TheAddressOverrideAndTheUpdateNote)
{
    QSignalSpy changed(controller.get(), &SettingsController::apiBaseUrlOverrideChanged);
    controller->setApiBaseUrlOverride("http://127.0.0.1:3000");
    EXPECT_EQ(storedOnDisk("API_BASE_URL_OVERRIDE").toString(), "http://127.0.0.1:3000");
    controller->setApiBaseUrlOverride("http://127.0.0.1:3000");
    EXPECT_EQ(changed.size(), 1);
    controller->setApiBaseUrlOverride(QString());
    EXPECT_FALSE(storedOnDisk("API_BASE_URL_OVERRIDE").isValid());
    EXPECT_EQ(changed.size(), 2);

    const auto note = [this](bool automatic, const char* feed) {
        store().setValue(QStringLiteral("update.feedURL"), QString::fromLatin1(feed));
        controller->setAutomaticUpdateChecks(automatic);
        return controller->updatesNote(AppLanguage::en);
    };
    const char* feed = "https://updates.example/appcast.xml";
    EXPECT_EQ(note(false, feed), "Updates come from your distribution's package manager.");
    EXPECT_EQ(note(true, feed), "Checked automatically after start and once a day.");
    EXPECT_EQ(note(true, "file:///etc/passwd"), "No update feed is set.");
}

// Without a tray, menu-bar mode cannot be switched on, and the sheet says why.
TEST_F(SettingsControllerTest, WithoutATrayMenuBarModeCannotBeSwitchedOn)
{
    tray.available = false;
    SettingsSheetView sheet(*controller);
    sheet.show();
    QSignalSpy changed(controller.get(), &SettingsController::backgroundModeChanged);
    controller->setBackgroundMode(true);
    EXPECT_FALSE(controller->backgroundMode());
    EXPECT_FALSE(storedOnDisk("ui.backgroundMode").toBool());
    ASSERT_EQ(changed.size(), 1);
    EXPECT_FALSE(changed.at(0).at(0).toBool());
    EXPECT_FALSE(sheet.findChild<QCheckBox*>("backgroundMode")->isEnabled());
    auto* note = sheet.findChild<QLabel*>("trayNote");
    EXPECT_TRUE(note->isVisible());
    EXPECT_FALSE(note->text().isEmpty());
    EXPECT_EQ(note->text(), controller->backgroundModeNote());

    // A stored "on" from a desktop that had a tray does not hide the window here.
    store().setValue("ui.backgroundMode", true);
    EXPECT_FALSE(controller->backgroundMode());
    tray.available = true;
    EXPECT_TRUE(controller->backgroundMode());
    EXPECT_TRUE(controller->backgroundModeNote().isEmpty());
}

using SettingsSheetTest = ShellFixture;

// The sheet and the window over one controller: each control writes its setting and the other
// view follows; a refused login item puts the toggle back; a language switch redraws.
TEST_F(SettingsSheetTest, ControlsWriteTheirSettingsAndTheOtherViewFollows)
{
    localization.setLanguage(AppLanguage::en);
    SettingsSheetView sheet(*controller);
    SettingsView window(*controller);
    auto* theme = sheet.findChild<QComboBox*>("themePicker");
    theme->setCurrentIndex(2);
    emit theme->activated(2);
    EXPECT_EQ(storedOnDisk("ui.theme").toString(), "dark");

    auto* url = sheet.findChild<QLineEdit*>("apiUrl");
    url->setFocus();
    QTest::keyClicks(url, "http://a");
    EXPECT_EQ(storedOnDisk("API_BASE_URL_OVERRIDE").toString(), "http://a");
    QTest::keyClick(url, Qt::Key_Backspace);
    EXPECT_EQ(storedOnDisk("API_BASE_URL_OVERRIDE").toString(), "http://");
    EXPECT_EQ(window.findChild<QLineEdit*>("apiUrl")->text(), "http://");

    login->activatesOnEnable = false;
    auto* launch = sheet.findChild<QCheckBox*>("launchAtLogin");
    launch->click();
    EXPECT_EQ(login->enableCalls, 1);
    EXPECT_FALSE(launch->isChecked());
    login->activatesOnEnable = true;
    launch->click();
    EXPECT_TRUE(login->enabled);
    EXPECT_TRUE(window.findChild<QCheckBox*>("launchAtLogin")->isChecked());
    window.findChild<QCheckBox*>("backgroundMode")->click();
    EXPECT_TRUE(sheet.findChild<QCheckBox*>("backgroundMode")->isChecked());

    auto* gate = window.findChild<QCheckBox*>("biometricGate");
    ASSERT_NE(gate, nullptr);
    EXPECT_TRUE(gate->isChecked());
    gate->click();
    EXPECT_FALSE(storedOnDisk("auth.biometricGateEnabled").toBool());
    localization.setLanguage(AppLanguage::mn);
    EXPECT_EQ(gate->text(), "Апп нээхэд хурууны хээ асуух");
}

TEST_F(SettingsSheetTest, QtsOwnButtonsSpeakTheInterfaceLanguage)
{
    localization.setLanguage(AppLanguage::mn);
    orvela::common::QtDialogLanguage qtTexts(localization);
    QDialogButtonBox box(QDialogButtonBox::Cancel);
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), "Цуцлах");
    localization.setLanguage(AppLanguage::en);
    // Open dialogs redraw on the language-change event Qt posts.
    QCoreApplication::processEvents();
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), "Cancel");
}

} // namespace
