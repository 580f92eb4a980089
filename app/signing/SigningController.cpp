#include "signing/SigningController.h"

#include "api/APIClient.h"
#include "api/SignPdfStartResponse.h"
#include "common/PoolTask.h"
#include "common/TextRules.h"
#include "session/AppState.h"
#include "signing/DocumentHash.h"

#include <QFile>
#include <QFileInfo>

namespace orvela::signing {

using common::nonEmpty;
using common::trimBlanks;

namespace {

// The client refuses a signed copy above its limit; that limit must leave room for a copy of
// the largest document this page accepts, or such documents could never be signed.
static_assert(api::ReplyLimits{}.uploadBytes >= 2 * SigningController::maxDocumentSize);

const QString signType = QStringLiteral("SIGN");
const QString completeState = QStringLiteral("COMPLETE");

} // namespace

SigningController::SigningController(session::AppState& appState, api::APIClient& client,
                                     DownloadsFolder downloads, QObject* parent)
    : QObject(parent), m_appState(appState), m_client(client), m_writer(std::move(downloads))
{
    m_countdownTimer.setInterval(1000);
    m_countdownTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_countdownTimer, &QTimer::timeout, this, &SigningController::tick);
    connect(&appState, &session::AppState::civilIdChanged, this, &SigningController::signerChanged);
    connect(&appState, &session::AppState::nationalIdChanged, this,
            &SigningController::signerChanged);
}

SigningController::~SigningController()
{
    stopTask();
}

bool SigningController::isRunning() const
{
    return m_taskRunning;
}

QString SigningController::signerIdentifier() const
{
    const QString civil = trimBlanks(m_appState.civilId());
    return civil.isEmpty() ? trimBlanks(m_appState.nationalId()) : civil;
}

void SigningController::signFile(const QString& location)
{
    signDocument(location, QFileInfo(location).fileName());
}

void SigningController::signDocument(const QString& location, const QString& fileName)
{
    stopTask();
    m_fileName = fileName;
    m_sessionId.clear();
    m_hash.clear();
    m_verificationCode.clear();
    m_savedPath.clear();
    m_copyCheck = {};
    m_folder.clear();
    m_failure = {};
    m_taskRunning = true;
    setPhase(Phase::uploading);
    const quint64 task = m_task;
    // Reading and hashing 25 MiB takes long enough to be felt, so it happens on the pool; the
    // result comes back on this thread, and only while the task is still the current one.
    common::runOnPool(
        this, [location] { return DocumentHash::read(location, maxDocumentSize); },
        [this, task](DocumentHash document) {
            if (task == m_task) {
                hashed(std::move(document));
            }
        });
}

void SigningController::hashed(DocumentHash document)
{
    switch (document.status) {
    case DocumentHash::Status::ok:
        break;
    case DocumentHash::Status::unreadable:
        fail({SignFailure::Kind::unreadable, m_fileName, document.errorString, {}});
        return;
    case DocumentHash::Status::notRegularFile:
        fail({SignFailure::Kind::notAFile, m_fileName, {}, {}});
        return;
    case DocumentHash::Status::notPdf:
        fail({SignFailure::Kind::notPdf, m_fileName, {}, {}});
        return;
    case DocumentHash::Status::tooLarge:
        fail({SignFailure::Kind::tooLarge, m_fileName, {}, {}});
        return;
    }
    // The phone approval is asked for only when the signed copy can be kept afterwards; the
    // signed copy is at least as large as the document.
    SignFailure why;
    m_folder = m_writer.prepare(m_fileName, document.bytes.size(), &why);
    if (m_folder.isEmpty()) {
        fail(why);
        return;
    }
    m_document = std::move(document.bytes);
    m_hash = QString::fromLatin1(document.digest.toHex());
    const QString digestB64 = QString::fromLatin1(document.digest.toBase64());
    m_call = m_client.send<api::SignPdfStartResponse>(
        api::Endpoint::signPdfStart(signerIdentifier().toUpper(), digestB64, m_fileName), this,
        [this](api::CallResult<api::SignPdfStartResponse> reply) {
            if (!reply.ok()) {
                failCall(reply.error());
                return;
            }
            const auto& session = reply.value();
            started(session.sessionId, session.pollToken.value_or(QString()),
                    session.vc.value_or(QString()));
        });
}

void SigningController::started(const QString& sessionId, const QString& pollToken,
                                const QString& code)
{
    m_sessionId = sessionId;
    m_verificationCode = code;
    // The phone has as long as the poll waits for it, counted from the code's showing.
    m_approvalDeadline.setRemainingTime(m_approvalLimit);
    tick();
    m_countdownTimer.start();
    setPhase(Phase::waitingApproval);
    m_call = m_client.pollStatus(sessionId, pollToken, m_approvalLimit, this,
                                 [this, pollToken](api::CallResult<api::StatusResponse> reply) {
                                     if (reply.ok()) {
                                         approved(reply.value(), pollToken);
                                     } else {
                                         failCall(reply.error());
                                     }
                                 });
}

void SigningController::approved(const api::StatusResponse& status, const QString& pollToken)
{
    if (status.endResult != u"OK") {
        m_appState.recordActivity(signType, status.state.value_or(completeState),
                                  status.endResult.value_or(QStringLiteral("FAILED")), m_fileName);
        fail(failureOf(status));
        return;
    }
    const QMap<QString, QString> fields{{QStringLiteral("sessionId"), m_sessionId},
                                        {QStringLiteral("pollToken"), pollToken}};
    m_call = m_client.upload(api::Endpoint::signPdfDownloadPath(), fields, QStringLiteral("file"),
                             m_fileName, QStringLiteral("application/pdf"), m_document, this,
                             [this](api::CallResult<QByteArray> reply) {
                                 if (reply.ok()) {
                                     downloaded(reply.value());
                                 } else {
                                     failCall(reply.error());
                                 }
                             });
}

void SigningController::downloaded(const QByteArray& signedPdf)
{
    m_call = nullptr;
    // A reply that is no PDF at all would be saved as a "signed" copy the person trusts.
    if (!signedPdf.startsWith(DocumentHash::pdfSignature)) {
        fail({SignFailure::Kind::call, {}, {}, api::ApiError::invalidResponse()});
        return;
    }
    // Writing 25 MiB and checking its signature can take longer than a frame, so both happen
    // on the pool. The copy is kept whatever the check finds: the person approved, and what the
    // service returned is theirs to keep and show. A copy that lands after its task was
    // cancelled is taken back: the person asked for nothing.
    const quint64 task = m_task;
    common::runOnPool(
        this,
        [folder = m_folder, fileName = m_fileName, signedPdf, original = m_document,
         signer = signerIdentifier().toUpper(), trust = m_trust] {
            Outcome outcome{SignedCopyWriter::write(folder, fileName, signedPdf), {}};
            if (!outcome.saved.path.isEmpty()) {
                outcome.check = signing::checkSignedCopy(signedPdf, original, signer, trust);
            }
            return outcome;
        },
        [this, task](const Outcome& outcome) {
            if (task == m_task) {
                saved(outcome);
            } else if (!outcome.saved.path.isEmpty()) {
                QFile::remove(outcome.saved.path);
            }
        });
    m_document = QByteArray();
}

void SigningController::saved(const Outcome& outcome)
{
    if (outcome.saved.path.isEmpty()) {
        fail(SignedCopyWriter::unwritable(m_folder, outcome.saved.error));
        return;
    }
    m_taskRunning = false;
    m_savedPath = outcome.saved.path;
    m_copyCheck = outcome.check;
    // A copy that failed its check counts as a failed signing, whatever the service said.
    m_appState.recordActivity(signType, completeState, signing::copyCheckCode(m_copyCheck),
                              m_fileName);
    setPhase(Phase::done);
}

void SigningController::failCall(const api::CallError& error)
{
    // A call we cancelled never answers, so every error that arrives is a real one.
    fail({SignFailure::Kind::call, {}, {}, error});
}

void SigningController::fail(const SignFailure& failure)
{
    m_call = nullptr;
    m_document = QByteArray();
    m_taskRunning = false;
    m_failure = failure;
    setPhase(Phase::failed);
}

void SigningController::cancel()
{
    stopTask();
    if (m_phase == Phase::uploading || m_phase == Phase::waitingApproval) {
        setPhase(Phase::idle);
    }
}

void SigningController::resetPage()
{
    stopTask();
    setPhase(Phase::idle);
}

void SigningController::stopTask()
{
    ++m_task;
    m_countdownTimer.stop();
    m_taskRunning = false;
    if (m_call) {
        m_call->cancel();
    }
    m_call = nullptr;
    m_document = QByteArray();
}

SignFailure SigningController::failureOf(const api::StatusResponse& status)
{
    using Kind = SignFailure::Kind;
    if (nonEmpty(status.error)) {
        return {Kind::serviceError, {}, *status.error, {}};
    }
    const QString code = status.endResult.value_or(QString());
    if (code == u"USER_REFUSED" || code == u"USER_REFUSED_INTERACTION") {
        return {Kind::declined, {}, {}, {}};
    }
    if (code == u"TIMEOUT") {
        return {Kind::expired, {}, {}, {}};
    }
    const QString detail = status.endResult ? *status.endResult : status.state.value_or(QString());
    return {Kind::endedWith, {}, detail, {}};
}

QString SigningController::countdownText() const
{
    return common::countdownClock(m_countdown);
}

void SigningController::tick()
{
    const auto left =
        std::chrono::ceil<std::chrono::seconds>(m_approvalDeadline.remainingTimeAsDuration());
    setCountdown(static_cast<int>(left.count()));
    if (m_countdown == 0) {
        m_countdownTimer.stop();
    }
}

void SigningController::setCountdown(int seconds)
{
    if (seconds != m_countdown) {
        m_countdown = seconds;
        emit countdownChanged(seconds);
    }
}

void SigningController::setPhase(Phase phase)
{
    if (phase != Phase::waitingApproval) {
        m_countdownTimer.stop();
    }
    if (phase != m_phase) {
        m_phase = phase;
        emit phaseChanged(phase);
    }
}

} // namespace orvela::signing
