#pragma once

#include "../support/EventLoop.h"
#include "BackendSim.h"
#include "SessionTestSupport.h"
#include "ShellFixture.h"
#include "desktop/DesktopApplication.h"
#include "session/StoredIdentity.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace orvela::desktoptest {

using orvela::testing::runEventLoopFor;
using orvela::testing::waitUntil;

/// A desktop application over a private profile: settings in a temporary INI file, its own
/// credential-store service and single-instance name, the simulator as backend (the phone
/// approves after 0.3 s), a tray and login-item record the test controls, and a presence check
/// that passes.
class DesktopFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    /// Builds the application; settings written before this are what it starts with.
    void build();
    /// Starts what was built and waits until the main window has drawn its first frame.
    void start();
    /// Builds and starts it.
    void launch()
    {
        build();
        start();
    }

    QSettings& settings() { return *m_settings; }
    desktop::DesktopApplication& desktop() { return *m_desktop; }

    QTemporaryDir dir;
    std::unique_ptr<backendsim::BackendSim> sim;
    shell::testing::FakeTray* tray = nullptr;
    bool trayAvailable = true;
    std::optional<bool> automaticUpdateChecks;
    QString instanceName;
    /// The application's card readers; null: PC/SC.
    std::shared_ptr<tokenkit::ReaderBackend> readerBackend;

private:
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<desktop::DesktopApplication> m_desktop;
};

} // namespace orvela::desktoptest
