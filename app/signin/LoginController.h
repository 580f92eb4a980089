#pragma once

#include "api/ApiError.h"
#include "api/StatusResponse.h"
#include "session/StateEnums.h"
#include "signin/LoginFailure.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <chrono>
#include <optional>

namespace orvela::api {
class APIClient;
class ApiCall;
} // namespace orvela::api
namespace orvela::session {
class AppState;
}

namespace orvela::signin {

/// The logic of the sign-in screen: sign-in by national register number (the phone gets a
/// push) or by QR code, the verification code, the countdown, and the outcome. The screen shows
/// the properties and calls the operations; a command-line run drives it the same way.
///
/// One flow and one countdown run at a time. Cancelling (Cancel, a tab switch, a new flow or the
/// controller's end) aborts the request in flight and stops the timers; nothing of the
/// cancelled flow runs afterwards and no message is shown.
class LoginController : public QObject {
    Q_OBJECT
    Q_PROPERTY(orvela::session::LoginTab tab READ tab NOTIFY tabChanged)
    Q_PROPERTY(orvela::session::AuthPhase phase READ phase NOTIFY phaseChanged)
    Q_PROPERTY(QString nationalIdInput READ nationalIdInput WRITE setNationalIdInput NOTIFY
                   nationalIdInputChanged)
    Q_PROPERTY(QString verificationCode READ verificationCode NOTIFY verificationCodeChanged)
    Q_PROPERTY(int countdown READ countdown NOTIFY countdownChanged)
    Q_PROPERTY(QImage qrImage READ qrImage NOTIFY qrImageChanged)
    Q_PROPERTY(QString resultName READ resultName NOTIFY resultChanged)
    Q_PROPERTY(QString resultNationalId READ resultNationalId NOTIFY resultChanged)
    Q_PROPERTY(QString resultKycLevel READ resultKycLevel NOTIFY resultChanged)

public:
    /// How long the backend session is waited for, and where the countdown starts.
    static constexpr std::chrono::seconds sessionLimit{300};
    /// The success screen's time before the dashboard.
    static constexpr std::chrono::milliseconds successDelay{1200};

    /// `appState` and `client` are not owned and must outlive the controller.
    LoginController(session::AppState& appState, api::APIClient& client, QObject* parent = nullptr);
    ~LoginController() override;

    session::LoginTab tab() const { return m_tab; }
    session::AuthPhase phase() const { return m_phase; }
    const QString& nationalIdInput() const { return m_nationalIdInput; }
    void setNationalIdInput(const QString& input);
    const QString& verificationCode() const { return m_verificationCode; }
    /// Why the last flow failed, until the next one starts or the tab changes; the screen
    /// words it.
    const std::optional<LoginFailure>& failure() const { return m_failure; }
    int countdown() const { return m_countdown; }
    /// The QR code to scan; null while none is shown.
    const QImage& qrImage() const { return m_qrImage; }
    const QString& resultName() const { return m_resultName; }
    const QString& resultNationalId() const { return m_resultNationalId; }
    const QString& resultKycLevel() const { return m_resultKycLevel; }
    /// The text of the last QR code requested, for front ends that draw it themselves.
    const QString& qrText() const { return m_qrText; }
    /// The countdown as the screen shows it, e.g. "5:00".
    QString countdownText() const;

    /// Chooses a sign-in method; the QR tab requests a fresh code at once. Choosing the shown
    /// tab again does nothing.
    void selectTab(session::LoginTab tab);
    /// Ends the running flow silently and shows the form again.
    void resetFlow();
    /// Sends the trimmed, upper-cased register number. A blank one starts nothing and sets
    /// numberMissing instead, which the next failure, tab or start clears.
    void startNationalIdFlow();
    /// The person asked to sign in without a register number.
    bool numberMissing() const { return m_numberMissing; }
    /// Requests a QR session and waits for the phone.
    void startQrFlow();
    /// Shortens the wait for the backend, and the countdown with it (whole seconds, rounded
    /// up); for tests only, the product always waits 300 s.
    void setPollLimitForTesting(std::chrono::milliseconds limit) { m_pollLimit = limit; }

    /// Why a completed session did not sign the person in; the backend's own "error" stays as
    /// it came.
    static LoginFailure failureOf(const api::StatusResponse& status);

signals:
    void tabChanged(orvela::session::LoginTab tab);
    void phaseChanged(orvela::session::AuthPhase phase);
    void nationalIdInputChanged(const QString& input);
    void verificationCodeChanged(const QString& code);
    void failureChanged();
    void countdownChanged(int seconds);
    void qrImageChanged();
    void resultChanged();
    void numberMissingChanged(bool missing);

private:
    /// Seconds the countdown starts from: the session limit.
    int countdownStart() const;
    void startCountdown();
    void tick();
    bool countdownMayRun() const;
    void cancelFlow();
    void stopCountdown();
    void poll(const QString& sessionId, const QString& pollToken, const QString& enteredId,
              bool qr);
    /// Shows a failed call; a cancelled transfer ends silently.
    void failCall(const api::CallError& error, bool qr);
    void finishWithStatus(const api::StatusResponse& status, const QString& enteredNationalId);

    void setPhase(session::AuthPhase phase);
    void setVerificationCode(const QString& code);
    void setFailure(const std::optional<LoginFailure>& failure);
    void setNumberMissing(bool missing);
    void setCountdown(int seconds);
    void setQrImage(const QImage& image);

    session::AppState& m_appState;
    api::APIClient& m_client;
    std::chrono::milliseconds m_pollLimit = sessionLimit;

    session::LoginTab m_tab = session::LoginTab::nationalIdPush;
    session::AuthPhase m_phase = session::AuthPhase::idle;
    QString m_nationalIdInput;
    QString m_verificationCode;
    std::optional<LoginFailure> m_failure;
    int m_countdown = 0;
    QImage m_qrImage;
    QString m_qrText;
    QString m_resultName;
    QString m_resultNationalId;
    QString m_resultKycLevel;
    bool m_numberMissing = false;

    QPointer<api::ApiCall> m_flow; ///< the running flow's call, the flowTask
    QTimer m_countdownTimer;       ///< the countdownTask
};

} // namespace orvela::signin
