#include "DashboardFixture.h"

#include "common/SettingsKeys.h"
#include "state/StoredIdentity.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QUuid>

namespace orvela::dashboardtest {

void DashboardFixture::SetUp()
{
    ASSERT_TRUE(m_dir.isValid());
    m_settings = std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("settings.ini")),
                                             QSettings::IniFormat);
    m_state = std::make_unique<state::AppState>(m_keychain, *m_settings, m_gate, [] {
        return QDateTime(QDate(2026, 1, 5), QTime(10, 11, 12), Qt::UTC);
    });
    m_localization = std::make_unique<common::LocalizationService>(m_settings.get());
}

void DashboardFixture::signInWith(const QList<Record>& records, const QString& kycLevel)
{
    QJsonArray log;
    for (const Record& record : records) {
        log.append(QJsonObject{
            {QStringLiteral("id"), QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper()},
            {QStringLiteral("sessionType"), record.type},
            {QStringLiteral("state"), QStringLiteral("COMPLETE")},
            {QStringLiteral("result"), record.result},
            {QStringLiteral("rpName"), QStringLiteral("Nuvia")},
            {QStringLiteral("createdAt"), record.createdAt}});
    }
    m_settings->setValue(settings::activitySessions.toString(),
                         QString::fromUtf8(QJsonDocument(log).toJson(QJsonDocument::Compact)));
    m_state->applyIdentity(state::StoredIdentity{
        QStringLiteral("MN0012345"), QStringLiteral("Батын Болд"), QStringLiteral("ИБ12345678"),
        QStringLiteral("УБ99112233"), kycLevel, QStringLiteral("2026-01-05T09:00:00Z")});
}

} // namespace orvela::dashboardtest
