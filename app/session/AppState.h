#pragma once

#include "session/DashboardData.h"
#include "session/DashboardTab.h"
#include "session/StateEnums.h"
#include "session/StoredIdentity.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QSettings;

namespace orvela::platform {
class BiometricGate;
class KeychainManager;
} // namespace orvela::platform

namespace orvela::session {

/// Who is signed in, which screen shows, and the dashboard built from the identity and the
/// local activity log. Lives on the interface thread; screens observe it through its
/// properties. Credential-store, encoding and decoding failures are swallowed: the state then
/// shows what is really there.
class AppState : public QObject {
    Q_OBJECT
    Q_PROPERTY(orvela::session::AppScreen screen READ screen NOTIFY screenChanged)
    Q_PROPERTY(orvela::session::DashboardTab selectedTab READ selectedTab WRITE setSelectedTab
                   NOTIFY selectedTabChanged)
    Q_PROPERTY(QString nationalId READ nationalId NOTIFY nationalIdChanged)
    Q_PROPERTY(QString fullName READ fullName NOTIFY fullNameChanged)
    Q_PROPERTY(QString civilId READ civilId NOTIFY civilIdChanged)
    Q_PROPERTY(QString kycLevel READ kycLevel NOTIFY kycLevelChanged)
    Q_PROPERTY(QString sessionId READ sessionId WRITE setSessionId NOTIFY sessionIdChanged)
    Q_PROPERTY(QString documentNumber READ documentNumber NOTIFY documentNumberChanged)
    Q_PROPERTY(QString biometricPrompt READ biometricPrompt NOTIFY biometricPromptChanged)

public:
    /// The reason shown while the presence check waits; the same in every interface language.
    static QString biometricReason();
    /// Most records the activity log keeps.
    static constexpr int maxActivityRecords = 100;

    /// The dependencies are not owned and must outlive the state. `clock` gives "now" (UTC);
    /// tests hand in a fixed one.
    AppState(platform::KeychainManager& keychain, QSettings& settings,
             platform::BiometricGate& gate, std::function<QDateTime()> clock = {},
             QObject* parent = nullptr);

    AppScreen screen() const { return m_screen; }
    DashboardTab selectedTab() const { return m_selectedTab; }
    void setSelectedTab(DashboardTab tab);
    const QString& nationalId() const { return m_nationalId; }
    const QString& fullName() const { return m_fullName; }
    const QString& civilId() const { return m_civilId; }
    const QString& kycLevel() const { return m_kycLevel; }
    const QString& sessionId() const { return m_sessionId; }
    /// Set by the sign-in flows when a backend session starts; never stored.
    void setSessionId(const QString& sessionId);
    const QString& documentNumber() const { return m_documentNumber; }
    const std::optional<DashboardData>& dashboardData() const { return m_dashboardData; }
    /// The presence check's reason while it waits for the person; empty otherwise.
    const QString& biometricPrompt() const { return m_biometricPrompt; }

    /// False once the credential store refused the last sign-in's identity: the session goes
    /// on, but the next start asks for a sign-in again.
    bool identityKept() const { return m_identityKept; }
    /// The credential store this session keeps its secrets in (a demo profile has its own).
    platform::KeychainManager& keychain() const { return m_keychain; }

    /// Reads the stored identity, passes the presence check and shows the dashboard; stays on
    /// the sign-in screen on any failure or refusal. Ends with `restoreFinished`. A call while a
    /// restore is running joins it; a sign-in or sign-out meanwhile wins over it.
    void restoreSession();
    /// The presence check, unless "auth.biometricGateEnabled" is false; a check that cannot be
    /// evaluated passes.
    void passBiometricGate(QObject* context, std::function<void(bool)> done);
    /// Stores the identity (ending with `identitySaved`), records an "AUTH" activity and shows
    /// the dashboard.
    void signIn(const StoredIdentity& identity);
    /// Deletes the stored identity (ending with `identityRemoved`) and the activity log, clears
    /// the fields and shows the sign-in screen. The selected tab stays.
    void signOut();
    /// Adds a record at the front of the activity log (at most 100 kept) and rebuilds the
    /// dashboard. Records other processes added meanwhile stay. Every text is capped (see
    /// boundedActivityRecord). When part of the stored log is unreadable, the stored text is
    /// first kept whole beside the settings file ("NAME.bad"), then the readable records are
    /// written back with the new one.
    void recordActivity(const QString& sessionType, const QString& state, const QString& result,
                        const std::optional<QString>& pushText = std::nullopt);

    void applyIdentity(const StoredIdentity& identity);
    /// Builds the dashboard; member since `loginAt` when given, else as before, else now.
    void rebuildDashboard(const std::optional<QString>& loginAt = std::nullopt);
    /// The activity log, newest first; empty when absent. A record that cannot be read is left
    /// out, the others are kept, a cut tail included.
    QList<DashboardSession> loadActivity() const;

signals:
    void screenChanged(orvela::session::AppScreen screen);
    void selectedTabChanged(orvela::session::DashboardTab tab);
    void nationalIdChanged(const QString& value);
    void fullNameChanged(const QString& value);
    void civilIdChanged(const QString& value);
    void kycLevelChanged(const QString& value);
    void sessionIdChanged(const QString& value);
    void documentNumberChanged(const QString& value);
    void dashboardDataChanged();
    void biometricPromptChanged(const QString& reason);
    /// A restore ended; `restored` tells whether it applied a stored identity.
    void restoreFinished(bool restored);
    /// The credential store answered a sign-in's save.
    void identitySaved(bool stored);
    /// The credential store answered a sign-out's delete.
    void identityRemoved(bool removed);

private:
    void addToActivityLog(const DashboardSession& record);
    QByteArray storedActivity() const;
    static void keepUnreadableActivity(const QString& settingsFile, const QByteArray& stored);
    bool m_identityKept = true;
    void continueRestore(const QByteArray& bytes, quint64 generation);
    void endRestore(bool restored);
    QString now() const;
    void setScreen(AppScreen screen);
    void setString(QString& field, const QString& value, void (AppState::*changed)(const QString&));
    void setBiometricPrompt(const QString& reason);

    platform::KeychainManager& m_keychain;
    QSettings& m_settings;
    platform::BiometricGate& m_gate;
    std::function<QDateTime()> m_clock;

    AppScreen m_screen = AppScreen::login;
    DashboardTab m_selectedTab = DashboardTab::dashboard;
    QString m_nationalId;
    QString m_fullName;
    QString m_civilId;
    QString m_kycLevel;
    QString m_sessionId;
    QString m_documentNumber;
    std::optional<DashboardData> m_dashboardData;
    QString m_biometricPrompt;

    bool m_restoring = false;
    /// Bumped by every sign-in and sign-out, so that a restore that started before one of them
    /// does not apply its older identity afterwards.
    quint64 m_identityGeneration = 0;
};

} // namespace orvela::session
