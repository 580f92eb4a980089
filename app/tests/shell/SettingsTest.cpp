// The settings as the controller reads and writes them, the sheet and window over it, and the
// launch-at-login item behind their toggle.

#include "AnsweringPrompts.h"
#include "EventLoop.h"
#include "QtPrinters.h"
#include "Screenshot.h"
#include "ShellFixture.h"
#include "common/QtDialogLanguage.h"
#include "common/SettingsKeys.h"
#include "orvela/tokenkit/PKCS11Module.h"
#include "platform/AutostartManager.h"
#include "platform/XdgAutostartEntry.h"
#include "shell/views/SettingsSheetView.h"
#include "shell/views/SettingsView.h"
#include "tokens/TokenProvisioner.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace orvela::shell;
using namespace orvela::platform;
using namespace orvela::shell::views;
using orvela::common::AppLanguage;
using orvela::shell::testing::FakeLoginBackend;
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
        SettingsController read(&settings, &language, autostart.get(), &tray);
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

// The modules come from p11-kit's own configuration, where Debian's softhsm2 package registers
// itself; "Other file…" asks for a library, and one that does not load is named with the
// loader's reason.
TEST_F(SettingsSheetTest, ThePkcs11ModuleIsChosenFromP11KitOrAFileAndAFailingOneIsNamed)
{
    const QString gone = QStringLiteral("/nonexistent/libgone.so");
    for (const auto language : {AppLanguage::en, AppLanguage::mn}) {
        localization.setLanguage(language);
        orvela::testing::AnsweringPrompts::Answers answers;
        answers.openPath = gone;
        orvela::testing::AnsweringPrompts prompts(answers);
        SettingsSheetView sheet(*controller, nullptr, &prompts);
        auto* modules = sheet.findChild<QComboBox*>("pkcs11Module");
        ASSERT_TRUE(orvela::testing::waitUntil(
            [&] { return modules->findText("softhsm2", Qt::MatchStartsWith) >= 0; }));
        const int softhsm = modules->findText("softhsm2", Qt::MatchStartsWith);
        emit modules->activated(softhsm);
        EXPECT_EQ(storedOnDisk("pkcs11.libraryPath").toString(), modules->itemData(softhsm));

        emit modules->activated(modules->count() - 1); // "Other file…"
        EXPECT_EQ(storedOnDisk("pkcs11.libraryPath").toString(), gone);
        auto* failure = sheet.findChild<QLabel*>("pkcs11ModuleFailure");
        ASSERT_TRUE(orvela::testing::waitUntil([&] { return failure->text().contains(gone); }));
        EXPECT_TRUE(failure->text().contains("No such file or directory"))
            << failure->text().toStdString();
        EXPECT_EQ(modules->currentText(), gone);
        sheet.show(); // the card takes its height from the sheet's layout
        orvela::testing::runEventLoopFor(50);
        orvela::testing::saveScreenshot(*sheet.findChild<QWidget*>("pkcs11ModuleCard"),
                                        QStringLiteral("settings-pkcs11-module-%1")
                                            .arg(language == AppLanguage::en ? "en" : "mn"));

        emit modules->activated(0); // automatic
        EXPECT_FALSE(store().contains("pkcs11.libraryPath"));
    }
}

// The setting is what every PKCS#11 action opens, unless the environment names a library.
TEST(Pkcs11LibrarySetting, EveryActionOpensTheChosenModuleUnlessTheEnvironmentNamesOne)
{
    const QString gone = QStringLiteral("/nonexistent/libchosen.so");
    QSettings().setValue(orvela::settings::pkcs11LibraryPath.toString(), gone);
    qunsetenv(orvela::tokenkit::PKCS11Module::kLibraryEnvironmentVariable);
    const auto libraryNamed = [] {
        try {
            orvela::tokens::TokenProvisioner().slotCount();
        } catch (const orvela::tokenkit::P11Error& error) {
            return QString::fromStdString(error.subject());
        }
        return QString();
    };
    EXPECT_EQ(libraryNamed(), gone);
    qputenv(orvela::tokenkit::PKCS11Module::kLibraryEnvironmentVariable, "/nonexistent/libenv.so");
    EXPECT_EQ(libraryNamed(), "/nonexistent/libenv.so");
    qunsetenv(orvela::tokenkit::PKCS11Module::kLibraryEnvironmentVariable);
    QSettings().remove(orvela::settings::pkcs11LibraryPath.toString());
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

// Each test gets its own XDG_CONFIG_HOME, put back afterwards.
class AutostartTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", m_home.path().toUtf8());
    }
    void TearDown() override { qputenv("XDG_CONFIG_HOME", m_saved); }

    QString entryFile() const { return m_home.filePath("autostart/orvela-test.desktop"); }

    QByteArray entryContents() const
    {
        QFile file(entryFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void writeEntry(const QByteArray& contents)
    {
        ASSERT_TRUE(QDir(m_home.path()).mkpath("autostart"));
        QFile file(entryFile());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
    }

    AutostartManager manager()
    {
        return AutostartManager(std::make_unique<XdgAutostartEntry>(
            "orvela-test", "/opt/orvela/bin/orvela-desktop", QStringList()));
    }

    QTemporaryDir m_home;
    QByteArray m_saved;
};

// Enabling writes the entry, whole, and disabling removes it; an entry hidden or switched off
// in its own group reads as off, and enabling rewrites it.
TEST_F(AutostartTest, TheEntryIsWrittenReadAndRemoved)
{
    AutostartManager items = manager();
    EXPECT_FALSE(items.launchAtLogin());
    items.setEnabled(true);
    EXPECT_TRUE(items.launchAtLogin());
    EXPECT_TRUE(entryContents().startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(entryContents().contains("\nExec=/opt/orvela/bin/orvela-desktop\n"));
    // Nothing of the atomic write is left beside the entry.
    EXPECT_EQ(QDir(m_home.filePath("autostart")).entryList(QDir::Files).size(), 1);
    items.setEnabled(false);
    EXPECT_FALSE(items.launchAtLogin());
    EXPECT_FALSE(QFile::exists(entryFile()));

    const std::pair<QByteArray, bool> entries[] = {
        {"[Desktop Entry]\nType=Application\nExec=/old/path\nHidden=true\n", false},
        {"[Desktop Entry]\nExec=/x\nX-GNOME-Autostart-enabled=false\n", false},
        {"[Desktop Entry]\nExec=/x\n\n[Desktop Action quit]\nHidden=true\n", true},
    };
    for (const auto& [contents, on] : entries) {
        writeEntry(contents);
        items.refresh();
        EXPECT_EQ(items.launchAtLogin(), on) << contents.toStdString();
    }
    writeEntry(entries[0].first);
    items.refresh();
    items.setEnabled(true);
    EXPECT_TRUE(items.launchAtLogin());
    EXPECT_FALSE(entryContents().contains("Hidden"));
    EXPECT_TRUE(entryContents().contains("Exec=/opt/orvela/bin/orvela-desktop\n"));
}

TEST_F(AutostartTest, AFailedRegistrationLeavesTheRealStateShown)
{
    // A plain file where the autostart folder belongs: the entry cannot be written.
    QFile blocker(m_home.filePath("autostart"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    AutostartManager items = manager();
    QSignalSpy published(&items, &AutostartManager::launchAtLoginChanged);
    items.setEnabled(true);
    EXPECT_FALSE(items.launchAtLogin());
    ASSERT_EQ(published.size(), 1);
    EXPECT_FALSE(published.at(0).at(0).toBool());
}

TEST(AutostartExec, ArgumentsAreQuotedAndEscaped)
{
    EXPECT_EQ(XdgAutostartEntry::execLine("/usr/bin/orvela-desktop", {}),
              "/usr/bin/orvela-desktop");
    EXPECT_EQ(XdgAutostartEntry::execLine("/home/a b/orvela", {"--background"}),
              "\"/home/a b/orvela\" --background");
    // `$` and `"` are escaped inside the quotes, then every backslash is doubled once more
    // for the string value; a percent sign is doubled so it is not a field code.
    EXPECT_EQ(XdgAutostartEntry::execLine("/opt/$x\"y/100%", {}), "\"/opt/\\\\$x\\\\\"y/100%%\"");
    EXPECT_EQ(XdgAutostartEntry::execLine("/opt/p", {""}), "/opt/p \"\"");
}

// The toggle shows what the system record holds after each request, asks nothing it already
// has, and reports the outcome once.
TEST(AutostartManager, TheToggleShowsTheRecordsRealState)
{
    struct Case {
        const char* name;
        bool enabled, activates, refusesDisable, request, shown;
        int enableCalls, disableCalls;
    };
    const Case cases[] = {
        {"awaiting approval", false, false, false, true, false, 1, 0},
        {"refused removal", true, true, true, false, true, 0, 1},
        {"already on", true, true, false, true, true, 0, 0},
        {"already off", false, true, false, false, false, 0, 0},
        {"switched off", true, true, false, false, false, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto backend = std::make_unique<FakeLoginBackend>();
        backend->enabled = c.enabled;
        backend->activatesOnEnable = c.activates;
        backend->refusesDisable = c.refusesDisable;
        FakeLoginBackend* record = backend.get();
        AutostartManager items(std::move(backend));
        QSignalSpy published(&items, &AutostartManager::launchAtLoginChanged);
        items.setEnabled(c.request);
        EXPECT_EQ(items.launchAtLogin(), c.shown);
        EXPECT_EQ(record->enableCalls, c.enableCalls);
        EXPECT_EQ(record->disableCalls, c.disableCalls);
        ASSERT_EQ(published.size(), 1);
        EXPECT_EQ(published.at(0).at(0).toBool(), c.shown);
    }
}

} // namespace
