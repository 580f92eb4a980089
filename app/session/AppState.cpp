#include "session/AppState.h"

#include "common/LocalizationTables.h"
#include "common/SettingsFile.h"
#include "common/SettingsKeys.h"
#include "platform/BiometricGate.h"
#include "platform/KeychainManager.h"
#include "session/ActivityLog.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLockFile>
#include <QLoggingCategory>
#include <QSettings>
#include <QUuid>

namespace orvela::session {

namespace {

Q_LOGGING_CATEGORY(lcActivity, "mn.orvela.eid.desktop.Activity")

/// How long a record waits for another process's record to be written.
constexpr int activityLockWaitMs = 10'000;

QString isoText(const QDateTime& moment)
{
    return moment.toUTC().toString(Qt::ISODate);
}

} // namespace

QString AppState::biometricReason()
{
    // The Mongolian row in every interface language.
    return common::builtInText(QStringLiteral("Biometric_Reason"), common::AppLanguage::mn);
}

AppState::AppState(platform::KeychainManager& keychain, QSettings& settings,
                   platform::BiometricGate& gate, std::function<QDateTime()> clock, QObject* parent)
    : QObject(parent), m_keychain(keychain), m_settings(settings), m_gate(gate),
      m_clock(clock ? std::move(clock) : [] { return QDateTime::currentDateTimeUtc(); })
{
    connect(&m_gate, &platform::BiometricGate::promptChanged, this, &AppState::setBiometricPrompt);
}

void AppState::setSelectedTab(DashboardTab tab)
{
    if (tab != m_selectedTab) {
        m_selectedTab = tab;
        emit selectedTabChanged(tab);
    }
}

void AppState::setSessionId(const QString& sessionId)
{
    setString(m_sessionId, sessionId, &AppState::sessionIdChanged);
}

void AppState::restoreSession()
{
    if (m_restoring) {
        return;
    }
    m_restoring = true;
    const quint64 generation = m_identityGeneration;
    m_keychain.load(platform::KeychainItem::identity, this,
                    [this, generation](std::variant<QByteArray, platform::KeychainError> loaded) {
                        if (const auto* bytes = std::get_if<QByteArray>(&loaded)) {
                            continueRestore(*bytes, generation);
                        } else {
                            endRestore(false);
                        }
                    });
}

void AppState::continueRestore(const QByteArray& bytes, quint64 generation)
{
    const auto identity = StoredIdentity::decode(bytes);
    if (!identity || generation != m_identityGeneration) {
        endRestore(false);
        return;
    }
    passBiometricGate(this, [this, identity = *identity, generation](bool passed) {
        if (!passed || generation != m_identityGeneration) {
            endRestore(false);
            return;
        }
        applyIdentity(identity);
        setScreen(AppScreen::dashboard);
        endRestore(true);
    });
}

void AppState::endRestore(bool restored)
{
    m_restoring = false;
    emit restoreFinished(restored);
}

void AppState::passBiometricGate(QObject* context, std::function<void(bool)> done)
{
    if (!settings::biometricGateOn(
            m_settings.value(settings::authBiometricGateEnabled.toString()))) {
        done(true);
        return;
    }
    m_gate.evaluate(biometricReason(), context,
                    [this, done = std::move(done)](platform::BiometricGate::Outcome outcome) {
                        setBiometricPrompt(QString());
                        done(outcome != platform::BiometricGate::Outcome::refused);
                    });
}

void AppState::signIn(const StoredIdentity& identity)
{
    ++m_identityGeneration;
    m_identityKept = true;
    m_keychain.save(identity.encode(), platform::KeychainItem::identity, this,
                    [this](std::optional<platform::KeychainError> error) {
                        m_identityKept = !error;
                        emit identitySaved(!error);
                    });
    applyIdentity(identity);
    recordActivity(QStringLiteral("AUTH"), QStringLiteral("COMPLETE"), QStringLiteral("OK"));
    setScreen(AppScreen::dashboard);
}

void AppState::signOut()
{
    ++m_identityGeneration;
    m_keychain.remove(
        platform::KeychainItem::identity, this,
        [this](std::optional<platform::KeychainError> error) { emit identityRemoved(!error); });
    m_settings.remove(settings::activitySessions.toString());
    m_settings.sync();
    setString(m_nationalId, QString(), &AppState::nationalIdChanged);
    setString(m_fullName, QString(), &AppState::fullNameChanged);
    setString(m_civilId, QString(), &AppState::civilIdChanged);
    setString(m_kycLevel, QString(), &AppState::kycLevelChanged);
    setString(m_sessionId, QString(), &AppState::sessionIdChanged);
    setString(m_documentNumber, QString(), &AppState::documentNumberChanged);
    if (m_dashboardData) {
        m_dashboardData.reset();
        emit dashboardDataChanged();
    }
    setScreen(AppScreen::login);
}

void AppState::recordActivity(const QString& sessionType, const QString& state,
                              const QString& result, const std::optional<QString>& pushText)
{
    DashboardSession record;
    record.id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    record.sessionType = sessionType;
    record.state = state;
    record.result = result;
    record.rpName = QStringLiteral("Nuvia");
    record.pushText = pushText;
    record.createdAt = now();
    addToActivityLog(record);
    rebuildDashboard();
}

void AppState::addToActivityLog(const DashboardSession& record)
{
    // The desktop and every `orvela` run add records to one file: each adds its own to what is
    // on disk at that moment, one at a time, so none replaces another's. The settings
    // library's own lock covers a single write, not this read and write together, and its
    // lock file's name is its own.
    const QString file = m_settings.fileName();
    common::makeSettingsFilePrivate(file);
    const QString lockPath = file + QStringLiteral(".activity-lock");
    QLockFile lock(lockPath);
    // Something other than a file in the lock's place is no lock anyone holds, and waiting
    // for it would only delay every record by the whole wait.
    const QFileInfo lockInfo(lockPath);
    const bool lockUsable = !lockInfo.exists() || lockInfo.isFile();
    if (!lockUsable) {
        qCWarning(lcActivity) << "The activity lock is not a file; the record is added unlocked";
    } else if (!lock.tryLock(activityLockWaitMs)) {
        qCWarning(lcActivity) << "The activity log stayed locked; the record is added unlocked";
    }
    m_settings.sync(); // reads what other processes wrote since
    const QByteArray stored = storedActivity();
    ActivityLogText read = readActivityLog(stored);
    if (!read.complete) {
        keepUnreadableActivity(file, stored);
    }
    QList<DashboardSession>& log = read.records;
    log.prepend(boundedActivityRecord(record));
    if (log.size() > maxActivityRecords) {
        log.resize(maxActivityRecords);
    }
    QJsonArray array;
    for (const auto& session : log) {
        array.append(session.toJson());
    }
    m_settings.setValue(settings::activitySessions.toString(),
                        QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact)));
    m_settings.sync();
}

QByteArray AppState::storedActivity() const
{
    return m_settings.value(settings::activitySessions.toString()).toByteArray();
}

void AppState::keepUnreadableActivity(const QString& settingsFile, const QByteArray& stored)
{
    const QString kept = common::keepBesideSettings(settingsFile, stored);
    if (kept.isEmpty()) {
        qCWarning(lcActivity) << "The unreadable part of the activity log could not be kept "
                                 "beside"
                              << settingsFile << "and is left out";
    } else {
        qCWarning(lcActivity) << "The activity log held unreadable text; it was kept in" << kept;
    }
}

QList<DashboardSession> AppState::loadActivity() const
{
    ActivityLogText read = readActivityLog(storedActivity());
    if (!read.complete) {
        qCWarning(lcActivity) << "Part of the activity log is unreadable; the rest is shown";
    }
    return std::move(read.records);
}

void AppState::applyIdentity(const StoredIdentity& identity)
{
    setString(m_nationalId, identity.nationalId.isEmpty() ? identity.civilId : identity.nationalId,
              &AppState::nationalIdChanged);
    setString(m_fullName, identity.fullName, &AppState::fullNameChanged);
    setString(m_civilId, identity.civilId, &AppState::civilIdChanged);
    setString(m_kycLevel, identity.certificateLevel, &AppState::kycLevelChanged);
    setString(m_documentNumber, identity.documentNumber, &AppState::documentNumberChanged);
    rebuildDashboard(identity.loginAt);
}

void AppState::rebuildDashboard(const std::optional<QString>& loginAt)
{
    DashboardData data;
    data.user.createdAt = loginAt           ? *loginAt
                          : m_dashboardData ? m_dashboardData->user.createdAt
                                            : now();
    data.sessions = loadActivity();
    data.user.nationalId = m_nationalId;
    data.user.fullName = m_fullName;
    data.user.kycLevel = m_kycLevel;
    data.user.status = QStringLiteral("ACTIVE");
    if (!m_civilId.isEmpty()) {
        data.user.civilId = m_civilId;
    }
    data.certificates = m_documentNumber.isEmpty() ? 0 : 1;
    data.totalLogins = static_cast<int>(
        std::count_if(data.sessions.cbegin(), data.sessions.cend(),
                      [](const DashboardSession& s) { return s.sessionType == u"AUTH"; }));
    m_dashboardData = std::move(data);
    emit dashboardDataChanged();
}

QString AppState::now() const
{
    return isoText(m_clock());
}

void AppState::setScreen(AppScreen screen)
{
    if (screen != m_screen) {
        m_screen = screen;
        emit screenChanged(screen);
    }
}

void AppState::setString(QString& field, const QString& value,
                         void (AppState::*changed)(const QString&))
{
    if (field != value) {
        field = value;
        emit(this->*changed)(value);
    }
}

void AppState::setBiometricPrompt(const QString& reason)
{
    if (reason != m_biometricPrompt) {
        m_biometricPrompt = reason;
        emit biometricPromptChanged(reason);
    }
}

} // namespace orvela::session
