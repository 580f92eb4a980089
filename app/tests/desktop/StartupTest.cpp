// The assembled program's life: start-up in windowed and menu-bar mode, the tray menu, a second
// launch, the theme at launch, the release notes and the automatic update checks.

#include "DesktopFixture.h"
#include "FeedServer.h"
#include "Screenshot.h"
#include "certificates/VerifyController.h"
#include "common/LocalizationService.h"
#include "common/SettingsKeys.h"
#include "desktop/DesktopLauncher.h"
#include "platform/SingleInstance.h"
#include "session/AppState.h"
#include "session/DashboardTab.h"
#include "shell/SettingsController.h"
#include "shell/TrayMenuController.h"
#include "shell/views/Appearance.h"
#include "shell/views/AppearanceStyle.h"
#include "shell/views/ContentView.h"
#include "shell/views/MainWindow.h"
#include "shell/views/TrayMenuView.h"
#include "updates/UpdateSchedule.h"
#include "updates/UpdateViewModel.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLocalServer>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QSignalSpy>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace orvela;
using namespace orvela::desktoptest;
using shell::MenuEntryId;

namespace {

class StartupTest : public DesktopFixture {
protected:
    void SetUp() override
    {
        DesktopFixture::SetUp();
        feed.body = shell::testing::appcastWithEnclosure("1.0.0", "https://127.0.0.1/1.0");
        settings().setValue(QStringLiteral("update.feedURL"), feed.url().toString());
    }

    QMenu* trayMenu() { return desktop().trayMenu()->menu(); }
    QAction* trayAction(const QString& text)
    {
        for (QAction* candidate : trayMenu()->actions()) {
            if (candidate->text() == text) {
                return candidate;
            }
        }
        return nullptr;
    }

    shell::testing::FeedServer feed;
};

// The window's first frame comes before the restore, the tray item and the update check; the
// tray menu then follows the session.
TEST_F(StartupTest, WindowedModeShowsTheWindowFirstThenTheTrayAndTheChecks)
{
    automaticUpdateChecks = true;
    build();
    QSignalSpy restored(&desktop().appState(), &session::AppState::restoreFinished);
    desktop().start();
    shell::views::MainWindow& window = desktop().mainWindow();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.objectName(), QStringLiteral("main"));
    EXPECT_EQ(window.minimumSize(), QSize(560, 520));
    EXPECT_EQ(window.size(), QSize(860, 620));
    QSystemTrayIcon* trayIcon = desktop().trayMenu()->icon();
    EXPECT_EQ(restored.size(), 0);
    EXPECT_FALSE(trayIcon->isVisible());
    ASSERT_TRUE(waitUntil([&] { return restored.size() == 1; }));
    // The window did not wait for the feed either: the check is only due.
    const updates::UpdateSchedule& schedule = desktop().updateSchedule();
    EXPECT_EQ(feed.requests, 0);
    EXPECT_TRUE(schedule.firstCheckTimer().isActive());
    EXPECT_TRUE(trayIcon->isVisible());
    EXPECT_FALSE(trayIcon->icon().isNull());
    // Nothing stored: the sign-in screen stays, and closing the window leaves the tray.
    EXPECT_EQ(desktop().appState().screen(), session::AppScreen::login);
    EXPECT_TRUE(desktop().trayShown());
    EXPECT_FALSE(QApplication::quitOnLastWindowClosed());

    desktop().updateSchedule().setFirstCheckDelay(0);
    ASSERT_TRUE(waitUntil([&] { return !desktop().updates().lastCheckDate().isEmpty(); }));
    runEventLoopFor(300);
    EXPECT_EQ(feed.requests, 1);
    EXPECT_TRUE(schedule.dailyTimer().isActive());
    EXPECT_EQ(schedule.dailyTimer().interval(), 24 * 60 * 60 * 1000);
    EXPECT_FALSE(schedule.dailyTimer().isSingleShot());

    desktop().localization().setLanguage(common::AppLanguage::en);
    session::StoredIdentity person;
    person.fullName = QStringLiteral("Bat Dorj");
    desktop().appState().signIn(person);
    ASSERT_TRUE(waitUntil([&] { return trayAction(QStringLiteral("Log out")) != nullptr; }));
    EXPECT_EQ(trayMenu()->actions().first()->text(), QStringLiteral("Bat Dorj"));
    window.close();
    // The menu opens the window and asks over it before the log is cleared.
    trayAction(QStringLiteral("Log out"))->trigger();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(desktop().appState().screen(), session::AppScreen::dashboard);
    QMessageBox* question = nullptr;
    ASSERT_TRUE(
        waitUntil([&] { return (question = window.findChild<QMessageBox*>()) != nullptr; }));
    EXPECT_TRUE(question->text().endsWith("The activity log on this computer is cleared."));
    for (QAbstractButton* button : question->buttons()) {
        if (question->buttonRole(button) == QMessageBox::DestructiveRole) {
            button->click();
        }
    }
    EXPECT_EQ(desktop().appState().screen(), session::AppScreen::login);
    ASSERT_TRUE(waitUntil([&] { return trayAction(QStringLiteral("Log out")) == nullptr; }));
    window.close();
    trayAction(QStringLiteral("Open window"))->trigger();
    EXPECT_TRUE(window.isVisible());
}

// The window closes after its first frame; the menu or a second launch of the program opens it
// again, and each opening of a closed window runs the restore again. The program starts over the
// socket file a killed instance left, with nobody behind it.
TEST_F(StartupTest, MenuBarModeClosesTheWindowAfterStartAndTheMenuOrASecondLaunchOpensIt)
{
    QFile stale(QDir::tempPath() + QLatin1Char('/') + instanceName);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    EXPECT_FALSE(platform::SingleInstance(instanceName).handOver()); // nobody to hand over to
    settings().setValue(settings::uiBackgroundMode.toString(), true);
    build();
    QSignalSpy restored(&desktop().appState(), &session::AppState::restoreFinished);
    desktop().start();
    ASSERT_TRUE(waitUntil([&] { return !desktop().mainWindow().isVisible(); }));
    ASSERT_TRUE(waitUntil([&] { return restored.size() == 1; }));
    EXPECT_FALSE(QApplication::quitOnLastWindowClosed());

    desktop().menuBar().trigger(MenuEntryId::open);
    EXPECT_TRUE(desktop().mainWindow().isVisible());
    EXPECT_TRUE(waitUntil([&] { return restored.size() == 2; }));

    desktop().mainWindow().close();
    ASSERT_TRUE(platform::SingleInstance(instanceName).handOver());
    EXPECT_TRUE(waitUntil([&] { return desktop().mainWindow().isVisible(); }, 3000));
}

// A PDF handed over by a later start (the file manager's "open with") reaches the verification
// page of the running program: kept while nobody is signed in, shown once the dashboard is
// there, and at once after that. Any path survives the trip, a line break in it included; a
// relative one, which would be read from the wrong folder, is not taken.
TEST_F(StartupTest, ADocumentHandedOverOpensOnTheVerificationPage)
{
    launch();
    const QString first = dir.filePath(QStringLiteral("signed\ncontract.pdf"));
    const QString second = dir.filePath(QStringLiteral("second.pdf"));
    desktop().mainWindow().close();
    ASSERT_TRUE(platform::SingleInstance(instanceName).handOver(first));
    EXPECT_TRUE(waitUntil([&] { return desktop().mainWindow().isVisible(); }, 3000));

    session::StoredIdentity person;
    person.fullName = QStringLiteral("Bat Dorj");
    desktop().appState().signIn(person);
    const auto inspector = [&]() -> certificates::VerifyController* {
        QWidget* screen = desktop().content().currentScreen();
        return screen ? screen->findChild<certificates::VerifyController*>() : nullptr;
    };
    ASSERT_TRUE(waitUntil([&] { return inspector() && inspector()->pdfPath() == first; }));
    EXPECT_EQ(desktop().appState().selectedTab(), session::DashboardTab::verify);

    desktop().appState().setSelectedTab(session::DashboardTab::home);
    QStringList shown;
    QObject::connect(inspector(), &certificates::VerifyController::changed, inspector(),
                     [&] { shown << inspector()->pdfPath(); });
    ASSERT_TRUE(platform::SingleInstance(instanceName).handOver(QStringLiteral("relative.pdf")));
    ASSERT_TRUE(platform::SingleInstance(instanceName).handOver(second));
    ASSERT_TRUE(waitUntil([&] { return inspector()->pdfPath() == second; }, 3000));
    EXPECT_EQ(desktop().appState().selectedTab(), session::DashboardTab::verify);
    EXPECT_EQ(inspector()->sourcePath(), second);
    EXPECT_FALSE(shown.contains(QStringLiteral("relative.pdf"))) << shown.join(u' ').toStdString();
}

/// Sets an environment variable for one scope; null unsets it.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : m_name(name), m_saved(qgetenv(name)), m_had(qEnvironmentVariableIsSet(name))
    {
        value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
    ~ScopedEnv() { m_had ? qputenv(m_name, m_saved) : qunsetenv(m_name); }

private:
    const char* m_name;
    QByteArray m_saved;
    bool m_had;
};

// The name lies in a folder only this user can enter: $XDG_RUNTIME_DIR when it is private,
// else a folder of our own made private, and no name at all (a start without the socket) when
// another user holds that folder's name.
TEST(SingleInstanceTest, TheSocketLivesInAFolderPrivateToTheUser)
{
    QTemporaryDir temp;
    ScopedEnv tmp("TMPDIR", QFile::encodeName(temp.path()));
    const QString own = temp.filePath(QStringLiteral("orvela-runtime-%1").arg(::geteuid()));
    QTemporaryDir open;
    ASSERT_TRUE(QFile::setPermissions(open.path(), QFile::Permissions::fromInt(0x7777)));
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    ASSERT_FALSE(runtime.isEmpty()) << "run through scripts/lib/with-keyring.sh";
    const struct {
        QByteArray runtimeDir;
        QString folder;
    } cases[] = {
        {runtime, QFile::decodeName(runtime)},
        {QByteArray(), own},
        {QFile::encodeName(open.path()), own}, // a runtime folder others may write to
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.runtimeDir.toStdString());
        ScopedEnv runtimeDir("XDG_RUNTIME_DIR", c.runtimeDir);
        const QString user = platform::SingleInstance::nameForCurrentUser();
        const QString demo = platform::SingleInstance::nameForCurrentUser(QStringLiteral("demo"));
        EXPECT_EQ(QFileInfo(user).absolutePath(), c.folder);
        EXPECT_NE(user, demo);
        EXPECT_TRUE(demo.startsWith(user));
        EXPECT_EQ(QFileInfo(c.folder).permissions().toInt() & 0x77, 0); // group and others
    }
    if (::geteuid() == 0) {
        ScopedEnv runtimeDir("XDG_RUNTIME_DIR", QByteArray());
        ASSERT_EQ(::chown(QFile::encodeName(own).constData(), 65534, 65534), 0);
        EXPECT_EQ(platform::SingleInstance::nameForCurrentUser(), QString());
        EXPECT_FALSE(platform::SingleInstance(QString()).handOver());
    }
}

/// A listener at `path` run by another user: a child process that becomes `nobody` and writes
/// "L" to `report` once it listens, then whatever it is sent. Needs root.
pid_t listenAsAnotherUser(const QByteArray& path, int report)
{
    const pid_t child = ::fork();
    if (child != 0) {
        return child;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()) + 1);
    const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (::setgid(65534) != 0 || ::setuid(65534) != 0 ||
        ::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(server, 4) != 0 || ::write(report, "L", 1) != 1) {
        ::_exit(1);
    }
    for (;;) {
        const int peer = ::accept(server, nullptr, nullptr);
        char bytes[64];
        const ssize_t got = ::read(peer, bytes, sizeof bytes);
        if (got > 0 && ::write(report, bytes, static_cast<size_t>(got)) != got) {
            ::_exit(1);
        }
        ::close(peer);
    }
}

// Whoever listens first at the old shared name, or at ours as another user, is not handed the
// start: the program starts by itself and takes the name over.
TEST(SingleInstanceTest, OnlyAListenerOfTheSameUserIsHandedTheOpen)
{
    const QString oldShared = QStringLiteral("orvela-desktop-%1").arg(::getuid());
    QLocalServer::removeServer(oldShared);
    QLocalServer oldName;
    ASSERT_TRUE(oldName.listen(oldShared));
    EXPECT_FALSE(
        platform::SingleInstance(platform::SingleInstance::nameForCurrentUser()).handOver());
    QCoreApplication::processEvents();
    EXPECT_FALSE(oldName.hasPendingConnections());

    QTemporaryDir shared;
    ASSERT_TRUE(QFile::setPermissions(shared.path(), QFile::Permissions::fromInt(0x7777)));
    const QString path = shared.filePath(QStringLiteral("instance"));
    QLocalServer self;
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    pid_t child = -1;
    uid_t expected = ::geteuid();
    if (::geteuid() == 0) {
        child = listenAsAnotherUser(QFile::encodeName(path), report[1]);
        ::close(report[1]);
        char ready = 0;
        ASSERT_EQ(::read(report[0], &ready, 1), 1);
    } else {
        // Not root: our own listener stands in, for a program that expects another user.
        ::close(report[1]);
        ASSERT_TRUE(self.listen(path));
        expected += 1;
    }
    platform::SingleInstance instance(path, nullptr, expected);
    EXPECT_FALSE(instance.handOver());
    EXPECT_TRUE(instance.listen());
    if (child > 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        char heard[64];
        EXPECT_EQ(::read(report[0], heard, sizeof heard), 0); // nothing was sent
    }
    ::close(report[0]);
}

// A FIFO as the settings file is refused at once, not read (which would wait for a writer
// forever); --version needs no settings and still answers.
TEST(SettingsFileTest, TheProgramRefusesASettingsFileThatIsNoRegularFile)
{
    QTemporaryDir config;
    ASSERT_TRUE(QDir(config.path()).mkpath(QStringLiteral("Orvela")));
    const QString settings = config.filePath(QStringLiteral("Orvela/orvela-desktop.conf"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(settings).constData(), 0600), 0);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        env.remove(QString::fromLatin1(name));
    }
    for (const auto& [args, exitCode] :
         {std::pair{QStringList{}, 1}, std::pair{QStringList{QStringLiteral("--version")}, 0}}) {
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(ORVELA_DESKTOP_PATH), args);
        ASSERT_TRUE(program.waitForFinished(20000)) << args.join(u' ').toStdString();
        EXPECT_EQ(program.exitCode(), exitCode);
        const QString err = QString::fromUtf8(program.readAllStandardError());
        EXPECT_EQ(err.contains(QStringLiteral("is not a regular file") + u' ') &&
                      err.contains(settings),
                  exitCode == 1)
            << err.toStdString();
    }
    // With a display the same words come in a window.
    ScopedEnv home("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    const QString testName = QCoreApplication::applicationName();
    QCoreApplication::setOrganizationName(QStringLiteral("Orvela"));
    QCoreApplication::setApplicationName(QStringLiteral("orvela-desktop"));
    const auto box = desktop::DesktopLauncher::settingsFileRefusal();
    QCoreApplication::setOrganizationName(QString());
    QCoreApplication::setApplicationName(testName);
    EXPECT_TRUE(box->text().endsWith(settings)) << box->text().toStdString();
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_FALSE(
        orvela::testing::saveScreenshot(*box, QStringLiteral("settings-file-refused")).isEmpty());
}

TEST_F(StartupTest, WithoutATrayMenuBarModeKeepsTheWindowAndClosingQuits)
{
    trayAvailable = false;
    settings().setValue(settings::uiBackgroundMode.toString(), true);
    launch();
    runEventLoopFor(150);
    EXPECT_TRUE(desktop().mainWindow().isVisible());
    EXPECT_FALSE(desktop().trayShown());
    EXPECT_TRUE(QApplication::quitOnLastWindowClosed());
}

TEST_F(StartupTest, ADistributionBuildFetchesNothingAndSaysWhereUpdatesComeFrom)
{
    automaticUpdateChecks = false;
    build();
    desktop().updateSchedule().setFirstCheckDelay(0);
    start();
    runEventLoopFor(500);
    EXPECT_EQ(feed.requests, 0);
    EXPECT_FALSE(desktop().updateSchedule().dailyTimer().isActive());
    EXPECT_TRUE(settings().value(settings::lastUpdateCheck.toString()).isNull());

    desktop().showSettingsWindow();
    QLabel* note = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        note = note != nullptr ? note : window->findChild<QLabel*>(QStringLiteral("updatesNote"));
    }
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->text(),
              QStringLiteral("Шинэчлэлтийг таны дистрибутивын багц удирдагчаас авна."));
    note->window()->close();
}

TEST_F(StartupTest, TheStoredThemeHoldsFromLaunchAndFollowsChanges)
{
    settings().setValue(settings::uiTheme.toString(), QStringLiteral("dark"));
    build();
    EXPECT_LT(QApplication::palette().color(QPalette::Window).lightness(), 80);
    EXPECT_NE(qobject_cast<shell::views::AppearanceStyle*>(QApplication::style()), nullptr);
    desktop().settings().setTheme(shell::ThemeMode::light);
    EXPECT_GT(QApplication::palette().color(QPalette::Window).lightness(), 200);
    shell::views::Appearance::apply(shell::ThemeMode::system);
}

TEST_F(StartupTest, ReleaseNotesOpenAtTheFirstStartOfAVersionOnly)
{
    QApplication::setApplicationVersion(QStringLiteral("2.0.0"));
    launch();
    ASSERT_NE(desktop().releaseNotes(), nullptr);
    EXPECT_TRUE(desktop().releaseNotes()->isVisible());
    EXPECT_EQ(settings().value(settings::whatsNewLastSeenVersion.toString()).toString(),
              QStringLiteral("2.0.0"));

    // Reopening the window in the same run does not ask again.
    desktop().releaseNotes()->close();
    desktop().mainWindow().close();
    desktop().openMainWindow();
    runEventLoopFor(50);
    EXPECT_EQ(desktop().releaseNotes(), nullptr);
}

} // namespace
