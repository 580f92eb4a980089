#pragma once

#include "StateTestSupport.h"
#include "common/LocalizationService.h"
#include "state/AppState.h"
#include "state/KeychainManager.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace orvela::dashboardtest {

/// Runs the event loop until `done` holds or `ms` pass; returns whether it holds.
template <class Predicate> bool waitUntil(Predicate done, int ms = 10'000)
{
    const QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return done();
}

/// Runs the event loop for `ms`, for checks that something does not happen.
void runFor(int ms);

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
