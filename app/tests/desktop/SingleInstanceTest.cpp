// One running program per user and profile: a later start hands over and the running one
// brings its window forward.

#include "shell/SingleInstance.h"

#include "DesktopFixture.h"
#include "common/SettingsKeys.h"
#include "shell/MainWindow.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QUuid>

using namespace orvela;
using namespace orvela::desktoptest;
using shell::SingleInstance;

namespace {

QString uniqueName()
{
    return QStringLiteral("orvela-si-test-") + QUuid::createUuid().toString(QUuid::Id128);
}

TEST(SingleInstanceTest, ASocketLeftByACrashIsNobodyAndIsTakenOver)
{
    const QString name = uniqueName();
    // What a killed instance leaves: the socket file, with nobody behind it.
    const QString path = QDir::tempPath() + QLatin1Char('/') + name;
    {
        QFile stale(path);
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    }
    EXPECT_FALSE(SingleInstance(name).handOver()); // nobody to hand over to: this start runs
    SingleInstance running(name);
    ASSERT_TRUE(running.listen());
    QSignalSpy opened(&running, &SingleInstance::openRequested);
    EXPECT_TRUE(SingleInstance(name).handOver());
    EXPECT_TRUE(waitUntil([&] { return opened.size() == 1; }, 3000));
}

TEST(SingleInstanceTest, EachUserAndProfileHasItsOwnName)
{
    const QString user = SingleInstance::nameForCurrentUser();
    const QString demo = SingleInstance::nameForCurrentUser(QStringLiteral("demo"));
    EXPECT_NE(user, demo);
    EXPECT_TRUE(demo.startsWith(user));
}

class SecondLaunchTest : public DesktopFixture {};

TEST_F(SecondLaunchTest, ASecondLaunchOpensTheRunningWindow)
{
    settings().setValue(settings::uiBackgroundMode.toString(), true);
    launch();
    ASSERT_TRUE(waitUntil([&] { return !desktop().mainWindow().isVisible(); }));
    ASSERT_TRUE(SingleInstance(instanceName).handOver());
    EXPECT_TRUE(waitUntil([&] { return desktop().mainWindow().isVisible(); }, 3000));
}

} // namespace
