// What the program checks before it starts: the single-instance name private to the user, and a
// settings file it cannot read.

#include "platform/SingleInstance.h"

#include "Screenshot.h"
#include "desktop/DesktopLauncher.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace orvela;

namespace {

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

} // namespace
