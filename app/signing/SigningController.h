#pragma once

#include "api/ApiError.h"
#include "api/StatusResponse.h"
#include "signing/SignFailure.h"
#include "signing/SignedCopyCheck.h"
#include "signing/SignedCopyWriter.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <chrono>

namespace orvela::api {
class APIClient;
class ApiCall;
} // namespace orvela::api
namespace orvela::session {
class AppState;
}

namespace orvela::signing {

struct DocumentHash;

/// The logic of the signing page: a PDF's digest and name start a signing session, the person
/// approves on the phone, the document is uploaded and the signed copy lands in the Downloads
/// folder. The page and `orvela sign` drive it the same way.
///
/// One task runs at a time. Cancelling it (Cancel, leaving the page, a new document, the
/// controller's end) aborts the request in flight and stops its timers; nothing of the
/// cancelled task runs afterwards, nothing is shown and nothing is recorded.
class SigningController : public QObject {
    Q_OBJECT
    Q_PROPERTY(orvela::signing::SigningController::Phase phase READ phase NOTIFY phaseChanged)
    Q_PROPERTY(int countdown READ countdown NOTIFY countdownChanged)

public:
    enum class Phase {
        idle,            ///< the file chooser
        uploading,       ///< reading, hashing and starting the session
        waitingApproval, ///< the code is shown, the phone is asked
        done,            ///< the signed copy is saved; `copyCheck` says whether it is signed
        failed           ///< `failure` tells why
    };
    Q_ENUM(Phase)

    /// The largest document accepted, in bytes (25 MiB); a document of exactly this size is.
    static constexpr qint64 maxDocumentSize = 26'214'400;
    /// How long the phone is waited for.
    static constexpr std::chrono::seconds approvalLimit{300};

    /// Where a signed copy goes; gives the folder, or an empty path with the reason.
    using DownloadsFolder = SignedCopyWriter::Folder;

    /// `appState` and `client` are not owned and must outlive the controller. Without
    /// `downloads` the user's Downloads folder is used, created when missing.
    SigningController(session::AppState& appState, api::APIClient& client,
                      DownloadsFolder downloads = {}, QObject* parent = nullptr);
    ~SigningController() override;

    Phase phase() const { return m_phase; }
    /// The document of the current task or of the last outcome.
    const QString& fileName() const { return m_fileName; }
    const QString& sessionId() const { return m_sessionId; }
    /// The document's SHA-256 as 64 lower-case hexadecimal digits, once known.
    const QString& hash() const { return m_hash; }
    /// The bytes that were hashed and will be sent, from the hash until the upload ends; empty
    /// otherwise. What the page previews, so the person sees what they approve even if the
    /// file on disk changes meanwhile. Kept until the signed copy is compared with it.
    const QByteArray& documentBytes() const { return m_document; }
    const QString& verificationCode() const { return m_verificationCode; }
    /// The whole seconds the phone has left (`waitingApproval`), counted from the code's showing.
    int countdown() const { return m_countdown; }
    /// The countdown as the page shows it, e.g. "5:00".
    QString countdownText() const;
    /// Where the signed copy was saved (`done`).
    const QString& savedPath() const { return m_savedPath; }
    /// What the saved copy turned out to be (`done`): only a copy that passed is signed.
    const signing::CopyCheck& copyCheck() const { return m_copyCheck; }
    /// Whom signed copies are checked against; without a call, the system's authorities.
    void setCopyTrust(signing::VerifyOptions trust) { m_trust = std::move(trust); }
    /// Why the task failed (`failed`); the page words it.
    const SignFailure& failure() const { return m_failure; }
    bool isRunning() const;

    /// Whom the document is signed for: the civil ID, else the national ID, trimmed of spaces
    /// and tabs; empty when nobody is signed in.
    QString signerIdentifier() const;

    /// Replaces any running task with the signing of the file at `location`, shown as
    /// `fileName`.
    void signDocument(const QString& location, const QString& fileName);
    /// `signDocument` with the file's own name.
    void signFile(const QString& location);
    /// Ends the running task silently; a page left in the middle of a task shows the chooser
    /// again.
    void cancel();
    /// Ends the running task and shows the chooser.
    void resetPage();

    /// Why a completed session did not sign; the service's own "error" stays as it came.
    static SignFailure failureOf(const api::StatusResponse& status);

    /// How long the phone is waited for in this controller.
    std::chrono::milliseconds approvalLimitInEffect() const { return m_approvalLimit; }
    /// Shortens the wait for the phone; tests only, the product waits 300 s.
    void setApprovalLimitForTesting(std::chrono::milliseconds limit) { m_approvalLimit = limit; }

signals:
    void phaseChanged(orvela::signing::SigningController::Phase phase);
    /// The signed-in person changed, and `signerIdentifier` with it.
    void signerChanged();
    void countdownChanged(int seconds);

private:
    void hashed(DocumentHash document);
    void started(const QString& sessionId, const QString& pollToken, const QString& code);
    void approved(const api::StatusResponse& status, const QString& pollToken);
    void downloaded(const QByteArray& signedPdf);
    /// The copy written and checked on the pool.
    struct Outcome {
        SignedCopyWriter::Saved saved;
        signing::CopyCheck check;
    };
    void saved(const Outcome& outcome);
    void fail(const SignFailure& failure);
    void failCall(const api::CallError& error);
    void stopTask();
    void setPhase(Phase phase);
    void tick();
    void setCountdown(int seconds);

    session::AppState& m_appState;
    api::APIClient& m_client;
    SignedCopyWriter m_writer;
    std::chrono::milliseconds m_approvalLimit = approvalLimit;

    Phase m_phase = Phase::idle;
    QString m_fileName;
    QString m_sessionId;
    QString m_hash;
    QString m_verificationCode;
    int m_countdown = 0;
    QDeadlineTimer m_approvalDeadline;
    QTimer m_countdownTimer;
    QString m_savedPath;
    SignFailure m_failure;
    signing::CopyCheck m_copyCheck;
    signing::VerifyOptions m_trust;

    /// The running task: its number (bumped by every start and cancel, so that a read that
    /// finishes after either is dropped), its call in flight and the document it sends (kept
    /// until the signed copy has been compared with it).
    quint64 m_task = 0;
    bool m_taskRunning = false;
    QPointer<api::ApiCall> m_call;
    QByteArray m_document;
    /// Where the running task saves, checked before anything was sent.
    QString m_folder;
};

} // namespace orvela::signing
