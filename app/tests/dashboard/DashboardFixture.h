#pragma once

#include "../support/EventLoop.h"
#include "SessionTestSupport.h"
#include "common/LocalizationService.h"
#include "common/SettingsKeys.h"
#include "platform/KeychainManager.h"
#include "session/AppState.h"
#include "session/StoredIdentity.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSettings>
#include <QTemporaryDir>
#include <QUuid>
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
    /// Applies a sample identity whose activity log holds exactly `records`, newest first.
    void signInWith(const QList<Record>& records,
                    const QString& kycLevel = QStringLiteral("QUALIFIED"))
    {
        QJsonArray log;
        for (const Record& record : records) {
            log.append(QJsonObject{{QStringLiteral("id"),
                                    QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()},
                                   {QStringLiteral("sessionType"), record.type},
                                   {QStringLiteral("state"), QStringLiteral("COMPLETE")},
                                   {QStringLiteral("result"), record.result},
                                   {QStringLiteral("rpName"), QStringLiteral("Nuvia")},
                                   {QStringLiteral("createdAt"), record.createdAt}});
        }
        m_settings->setValue(settings::activitySessions.toString(),
                             QString::fromUtf8(QJsonDocument(log).toJson(QJsonDocument::Compact)));
        m_state->applyIdentity(session::StoredIdentity{
            QStringLiteral("MN0012345"), QStringLiteral("Батын Болд"), QStringLiteral("ИБ12345678"),
            QStringLiteral("УБ99112233"), kycLevel, QStringLiteral("2026-01-05T09:00:00Z")});
    }
    void setLanguage(common::AppLanguage language) { m_localization->setLanguage(language); }

    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_settings = std::make_unique<QSettings>(
        m_dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    platform::KeychainManager m_keychain{sessiontest::uniqueService()};
    sessiontest::FakeBiometricGate m_gate;
    std::unique_ptr<session::AppState> m_state =
        std::make_unique<session::AppState>(m_keychain, *m_settings, m_gate, [] {
            return QDateTime(QDate(2026, 1, 5), QTime(10, 11, 12), Qt::UTC);
        });
    std::unique_ptr<common::LocalizationService> m_localization =
        std::make_unique<common::LocalizationService>(m_settings.get());
};

} // namespace orvela::dashboardtest
