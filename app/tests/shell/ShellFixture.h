#pragma once

#include "common/LocalizationService.h"
#include "platform/AutostartBackend.h"
#include "platform/AutostartManager.h"
#include "platform/TrayAvailability.h"
#include "shell/SettingsController.h"

#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace orvela::shell::testing {

/// A tray whose presence each test chooses.
class FakeTray : public platform::TrayAvailability {
public:
    bool available = true;
    bool isSystemTrayAvailable() const override { return available; }
};

/// A login-item record that can refuse or, like a system awaiting the user's approval, accept
/// a registration without making it active.
class FakeLoginBackend : public platform::AutostartBackend {
public:
    bool enabled = false;
    bool activatesOnEnable = true;
    bool refusesDisable = false;
    int enableCalls = 0;
    int disableCalls = 0;

    bool isEnabled() const override { return enabled; }
    bool enable() override
    {
        ++enableCalls;
        enabled = activatesOnEnable;
        return true;
    }
    bool disable() override
    {
        ++disableCalls;
        enabled = enabled && refusesDisable;
        return !refusesDisable;
    }
};

/// Settings in a private file, a localisation service over them, and a settings controller
/// with a fake tray and login-item record.
class ShellFixture : public ::testing::Test {
protected:
    ShellFixture()
        : m_store(std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("settings.ini")),
                                              QSettings::IniFormat)),
          localization(m_store.get())
    {
        auto backend = std::make_unique<FakeLoginBackend>();
        login = backend.get();
        autostart = std::make_unique<platform::AutostartManager>(std::move(backend));
        controller = std::make_unique<SettingsController>(m_store.get(), &localization,
                                                          autostart.get(), &tray);
    }

    QSettings& store() { return *m_store; }

    /// The value as a fresh reader of the file sees it, proving it was written out.
    QVariant storedOnDisk(const QString& key) const
    {
        QSettings reader(m_dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        return reader.value(key);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_store;
    common::LocalizationService localization;
    FakeTray tray;
    FakeLoginBackend* login = nullptr;
    std::unique_ptr<platform::AutostartManager> autostart;
    std::unique_ptr<SettingsController> controller;
};

} // namespace orvela::shell::testing
