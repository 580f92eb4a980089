#include "DesktopFixture.h"

#include "shell/views/MainWindow.h"

#include <QApplication>
#include <QSignalSpy>
#include <QUuid>

namespace orvela::desktoptest {

void DesktopFixture::SetUp()
{
    ASSERT_TRUE(sessiontest::secretServiceAvailable())
        << "no Secret Service on the session bus: run through scripts/lib/with-keyring.sh";
    ASSERT_TRUE(dir.isValid());
    m_settings = std::make_unique<QSettings>(dir.filePath(QStringLiteral("settings.ini")),
                                             QSettings::IniFormat);
    sim = std::make_unique<backendsim::BackendSim>();
    ASSERT_NE(sim->start(), 0);
    sim->setApproveAfterMs(300);
    instanceName =
        QStringLiteral("orvela-desktop-test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

void DesktopFixture::TearDown()
{
    m_desktop.reset();
    // Leave no theme or quit policy behind for the next test.
    QApplication::setQuitOnLastWindowClosed(true);
    QApplication::setApplicationVersion(QString());
}

void DesktopFixture::build()
{
    m_desktop.reset();
    desktop::DesktopProfile profile;
    profile.settings = std::make_unique<QSettings>(m_settings->fileName(), QSettings::IniFormat);
    profile.keychainService =
        QStringLiteral("mn.orvela.eid.desktop.test.") + QUuid::createUuid().toString();
    profile.instanceName = instanceName;
    profile.apiBaseUrl = sim->baseUrl();
    auto fakeTray = std::make_unique<shell::testing::FakeTray>();
    fakeTray->available = trayAvailable;
    tray = fakeTray.get();
    profile.tray = std::move(fakeTray);
    profile.gate = std::make_unique<sessiontest::FakeBiometricGate>();
    profile.autostart = std::make_unique<shell::testing::FakeLoginBackend>();
    profile.automaticUpdateChecks = automaticUpdateChecks;
    profile.readerBackend = readerBackend;
    m_settings->sync();
    m_desktop = std::make_unique<desktop::DesktopApplication>(std::move(profile));
}

void DesktopFixture::start()
{
    QSignalSpy appeared(&m_desktop->mainWindow(), &shell::views::MainWindow::contentShown);
    m_desktop->start();
    // Once the window has drawn its first frame, as a person would see it.
    ASSERT_TRUE(waitUntil([&] { return !appeared.isEmpty(); }));
}

} // namespace orvela::desktoptest
