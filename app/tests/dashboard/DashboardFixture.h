#pragma once

#include "../support/EventLoop.h"
#include "StateTestSupport.h"
#include "common/LocalizationService.h"
#include "state/AppState.h"
#include "state/KeychainManager.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace orvela::dashboardtest {

using orvela::testing::runEventLoopFor;
using orvela::testing::waitUntil;

/// One activity record as the log stores it.
struct Record {
    QString type;
    QString result;
    QString createdAt;
};

/// A signed-in application state over private settings, a credential store of its own and a
/// presence check that always passes, plus a localisation service over the same settings.
class DashboardFixture : public ::testing::Test {
protected:
    void SetUp() override;

    /// Applies a sample identity whose activity log holds exactly `records`, newest first.
    void signInWith(const QList<Record>& records,
                    const QString& kycLevel = QStringLiteral("QUALIFIED"));
    void setLanguage(common::AppLanguage language) { m_localization->setLanguage(language); }

    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_settings;
    state::KeychainManager m_keychain{statetest::uniqueService()};
    statetest::FakeBiometricGate m_gate;
    std::unique_ptr<state::AppState> m_state;
    std::unique_ptr<common::LocalizationService> m_localization;
};

} // namespace orvela::dashboardtest
