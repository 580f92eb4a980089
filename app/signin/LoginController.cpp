#include "signin/LoginController.h"

#include "api/APIClient.h"
#include "api/LoginNotifyResponse.h"
#include "api/StartResponse.h"
#include "common/TextRules.h"
#include "session/AppState.h"
#include "session/StoredIdentity.h"
#include "signin/QrCode.h"

#include <QDateTime>

namespace orvela::signin {

using common::nonEmpty;
using common::trimBlanks;

LoginController::LoginController(session::AppState& appState, api::APIClient& client,
                                 QObject* parent)
    : QObject(parent), m_appState(appState), m_client(client)
{
    m_countdownTimer.setInterval(1000);
    m_countdownTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_countdownTimer, &QTimer::timeout, this, &LoginController::tick);
}

LoginController::~LoginController()
{
    cancelFlow();
}

void LoginController::setNationalIdInput(const QString& input)
{
    if (input != m_nationalIdInput) {
        m_nationalIdInput = input;
        emit nationalIdInputChanged(input);
    }
}

QString LoginController::countdownText() const
{
    return common::countdownClock(m_countdown);
}

void LoginController::selectTab(session::LoginTab tab)
{
    if (tab == m_tab) {
        return;
    }
    cancelFlow();
    stopCountdown();
    setPhase(session::AuthPhase::idle);
    setVerificationCode(QString());
    m_tab = tab;
    emit tabChanged(tab);
    setNumberMissing(false); // the missing number was the other tab's
    setFailure(std::nullopt);
    if (tab == session::LoginTab::nationalIdPush) {
        setQrImage(QImage());
    } else {
        startQrFlow();
    }
}

void LoginController::resetFlow()
{
    cancelFlow();
    stopCountdown();
    setPhase(session::AuthPhase::idle);
    setVerificationCode(QString());
}

void LoginController::startNationalIdFlow()
{
    const QString number = trimBlanks(m_nationalIdInput).toUpper();
    setNumberMissing(number.isEmpty());
    if (number.isEmpty()) {
        return;
    }
    cancelFlow();
    setPhase(session::AuthPhase::initiating);
    setFailure(std::nullopt);
    m_flow = m_client.send<api::LoginNotifyResponse>(
        api::Endpoint::loginNotify(number), this,
        [this, number](api::CallResult<api::LoginNotifyResponse> reply) {
            if (!reply.ok()) {
                failCall(reply.error(), false);
                return;
            }
            const auto& session = reply.value();
            setVerificationCode(session.vc.value_or(QString()));
            m_appState.setSessionId(session.sessionId);
            setCountdown(countdownStart());
            setPhase(session::AuthPhase::waiting);
            startCountdown();
            poll(session.sessionId, session.pollToken.value_or(QString()), number, false);
        });
}

void LoginController::startQrFlow()
{
    cancelFlow();
    setQrImage(QImage());
    m_qrText.clear();
    setFailure(std::nullopt);
    m_flow = m_client.send<api::StartResponse>(
        api::Endpoint::start(), this, [this](api::CallResult<api::StartResponse> reply) {
            if (!reply.ok()) {
                failCall(reply.error(), true);
                return;
            }
            const auto& session = reply.value();
            const auto code = QrCode::encode(session.qr);
            if (!code) {
                // Nobody can scan what cannot be drawn: waiting for the phone would be endless.
                setFailure(LoginFailure{LoginFailure::Kind::qrUnencodable, true, {}, {}});
                setPhase(session::AuthPhase::failed);
                return;
            }
            m_appState.setSessionId(session.sessionId);
            setVerificationCode(session.vc.value_or(QString()));
            m_qrText = session.qr;
            setQrImage(code->image());
            setCountdown(countdownStart());
            startCountdown();
            poll(session.sessionId, session.pollToken.value_or(QString()), QString(), true);
        });
}

void LoginController::poll(const QString& sessionId, const QString& pollToken,
                           const QString& enteredId, bool qr)
{
    m_flow = m_client.pollStatus(sessionId, pollToken, m_pollLimit, this,
                                 [this, enteredId, qr](api::CallResult<api::StatusResponse> r) {
                                     if (r.ok()) {
                                         finishWithStatus(r.value(), enteredId);
                                     } else {
                                         failCall(r.error(), qr);
                                     }
                                 });
}

void LoginController::failCall(const api::CallError& error, bool qr)
{
    const auto* transport = std::get_if<api::TransportError>(&error);
    // A cancelled transfer is no failure to show; the pin check's refusal arrives as one too,
    // and is.
    if (transport != nullptr && transport->code == QNetworkReply::OperationCanceledError &&
        !transport->pinRefused) {
        return;
    }
    setFailure(LoginFailure{LoginFailure::Kind::call, qr, {}, error});
    setPhase(session::AuthPhase::failed);
}

void LoginController::finishWithStatus(const api::StatusResponse& status,
                                       const QString& enteredNationalId)
{
    const bool approved =
        status.isComplete() && status.endResult == u"OK" && nonEmpty(status.documentNumber);
    if (!approved) {
        setFailure(failureOf(status));
        setPhase(session::AuthPhase::failed);
        return;
    }
    const QString name = status.name.value_or(QString());
    const QString idNumber = status.idNumber.value_or(QString());
    const QString level = status.certificateLevel.value_or(QStringLiteral("QUALIFIED"));
    m_resultName = name;
    m_resultNationalId = idNumber.isEmpty() ? enteredNationalId : idNumber;
    m_resultKycLevel = level;
    emit resultChanged();
    setPhase(session::AuthPhase::success);

    session::StoredIdentity identity{
        *status.documentNumber, name,  idNumber,
        enteredNationalId,      level, QDateTime::currentDateTimeUtc().toString(Qt::ISODate)};
    // Bound to the application state, not to this screen: the switch to the dashboard happens
    // even when the sign-in screen is gone by then.
    session::AppState* appState = &m_appState;
    QTimer::singleShot(successDelay, appState,
                       [appState, identity] { appState->signIn(identity); });
}

LoginFailure LoginController::failureOf(const api::StatusResponse& status)
{
    using Kind = LoginFailure::Kind;
    if (nonEmpty(status.error)) {
        return {Kind::serviceError, false, *status.error, {}};
    }
    const QString code = status.endResult.value_or(QString());
    if (code == u"USER_REFUSED" || code == u"USER_REFUSED_INTERACTION") {
        return {Kind::declined, false, {}, {}};
    }
    if (code == u"TIMEOUT") {
        return {Kind::timedOut, false, {}, {}};
    }
    if (!code.isEmpty()) {
        return {Kind::endedWith, false, code, {}};
    }
    return {status.isComplete() ? Kind::failed : Kind::timedOut, false, {}, {}};
}

int LoginController::countdownStart() const
{
    return static_cast<int>((m_pollLimit.count() + 999) / 1000);
}

void LoginController::startCountdown()
{
    stopCountdown();
    if (countdownMayRun()) {
        m_countdownTimer.start();
    }
}

void LoginController::tick()
{
    setCountdown(std::max(m_countdown - 1, 0));
    if (!countdownMayRun()) {
        stopCountdown();
    }
}

bool LoginController::countdownMayRun() const
{
    return m_countdown >= 1 &&
           (m_phase == session::AuthPhase::waiting || m_tab == session::LoginTab::qrScan);
}

void LoginController::cancelFlow()
{
    if (m_flow) {
        m_flow->cancel();
    }
    m_flow = nullptr;
}

void LoginController::stopCountdown()
{
    m_countdownTimer.stop();
}

void LoginController::setPhase(session::AuthPhase phase)
{
    if (phase != m_phase) {
        m_phase = phase;
        emit phaseChanged(phase);
    }
}

void LoginController::setVerificationCode(const QString& code)
{
    if (code != m_verificationCode) {
        m_verificationCode = code;
        emit verificationCodeChanged(code);
    }
}

void LoginController::setFailure(const std::optional<LoginFailure>& failure)
{
    if (failure != m_failure) {
        m_failure = failure;
        setNumberMissing(false);
        emit failureChanged();
    }
}

void LoginController::setNumberMissing(bool missing)
{
    if (missing != m_numberMissing) {
        m_numberMissing = missing;
        emit numberMissingChanged(missing);
    }
}

void LoginController::setCountdown(int seconds)
{
    if (seconds != m_countdown) {
        m_countdown = seconds;
        emit countdownChanged(seconds);
    }
}

void LoginController::setQrImage(const QImage& image)
{
    if (image != m_qrImage || image.isNull() != m_qrImage.isNull()) {
        m_qrImage = image;
        emit qrImageChanged();
    }
}

} // namespace orvela::signin
