#include "state/SigningController.h"

#include "common/TextRules.h"

#include "api/APIClient.h"
#include "api/SignPdfStartResponse.h"
#include "state/AppState.h"
#include "state/DocumentHash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFuture>
#include <QSaveFile>
#include <QStandardPaths>
#include <QtConcurrent/QtConcurrentRun>

namespace orvela::state {

using common::nonEmpty;
using common::trimBlanks;

namespace {

const QString signType = QStringLiteral("SIGN");
const QString completeState = QStringLiteral("COMPLETE");

QString userDownloads(QString* error)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (folder.isEmpty()) {
        *error = QStringLiteral("No Downloads folder is known on this system.");
        return {};
    }
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("The Downloads folder could not be created: ") + folder;
        return {};
    }
    return folder;
}

/// "contract.final.pdf" → "contract.final": only the last extension goes.
QString withoutLastExtension(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    return dot > 0 ? fileName.left(dot) : fileName;
}

} // namespace

SigningController::SigningController(AppState& appState, api::APIClient& client,
                                     DownloadsFolder downloads, QObject* parent)
    : QObject(parent), m_appState(appState), m_client(client),
      m_downloads(downloads ? std::move(downloads) : DownloadsFolder(userDownloads))
{
    connect(&appState, &AppState::civilIDChanged, this, &SigningController::signerChanged);
    connect(&appState, &AppState::nationalIDChanged, this, &SigningController::signerChanged);
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
    const QString civil = trimBlanks(m_appState.civilID());
    return civil.isEmpty() ? trimBlanks(m_appState.nationalID()) : civil;
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
    m_message = {};
    m_taskRunning = true;
    setPhase(Phase::uploading);
    const quint64 task = m_task;
    // Reading and hashing 25 MiB takes long enough to be felt, so it happens on the pool; the
    // result comes back on this thread, and only while the task is still the current one.
    QtConcurrent::run(&DocumentHash::read, location, maxDocumentSize)
        .then(this, [this, task](DocumentHash document) {
            if (task == m_task) {
                hashed(std::move(document));
            }
        });
}

void SigningController::hashed(DocumentHash document)
{
    if (document.status == DocumentHash::Status::unreadable) {
        fail(SignText::same(document.errorString));
        return;
    }
    if (document.status == DocumentHash::Status::tooLarge) {
        fail(tooLargeText());
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
        fail(signFailureText(status));
        return;
    }
    const QMap<QString, QString> fields{{QStringLiteral("sessionId"), m_sessionId},
                                        {QStringLiteral("pollToken"), pollToken}};
    m_call = m_client.upload(QStringLiteral("/api/sign-pdf-download"), fields,
                             QStringLiteral("file"), m_fileName, QStringLiteral("application/pdf"),
                             m_document, this, [this](api::CallResult<QByteArray> reply) {
                                 if (reply.ok()) {
                                     downloaded(reply.value());
                                 } else {
                                     failCall(reply.error());
                                 }
                             });
    // The upload shares the bytes; holding them here too would only delay their release.
    m_document = QByteArray();
}

void SigningController::downloaded(const QByteArray& signedPdf)
{
    m_call = nullptr;
    // A reply that is no PDF at all would be saved as a "signed" copy the person trusts.
    if (!signedPdf.startsWith("%PDF-")) {
        fail(SignText::same(api::APIError::invalidResponse().message()));
        return;
    }
    QString error;
    const QString folder = m_downloads(&error);
    if (folder.isEmpty()) {
        fail(SignText::same(error));
        return;
    }
    // Writing 25 MiB can take longer than a frame, so it happens on the pool as well. A copy
    // that lands after its task was cancelled is taken back: the person asked for nothing.
    const quint64 task = m_task;
    QtConcurrent::run(&SigningController::writeSignedCopy, folder, m_fileName, signedPdf)
        .then(this, [this, task](const SavedCopy& copy) {
            if (task == m_task) {
                saved(copy);
            } else if (!copy.path.isEmpty()) {
                QFile::remove(copy.path);
            }
        });
}

void SigningController::saved(const SavedCopy& copy)
{
    if (copy.path.isEmpty()) {
        fail(SignText::same(copy.error));
        return;
    }
    m_taskRunning = false;
    m_savedPath = copy.path;
    m_appState.recordActivity(signType, completeState, QStringLiteral("OK"), m_fileName);
    setPhase(Phase::done);
}

void SigningController::failCall(const api::CallError& error)
{
    // A call we cancelled never answers, so every error that arrives is a real one.
    fail(SignText::same(api::errorMessage(error)));
}

void SigningController::fail(const SignText& message)
{
    m_call = nullptr;
    m_document = QByteArray();
    m_taskRunning = false;
    m_message = message;
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
    m_taskRunning = false;
    if (m_call) {
        m_call->cancel();
    }
    m_call = nullptr;
    m_document = QByteArray();
}

QString SigningController::saveSignedCopy(const QByteArray& bytes, const QString& fileName,
                                          QString* error) const
{
    const QString folder = m_downloads(error);
    if (folder.isEmpty()) {
        return {};
    }
    const SavedCopy copy = writeSignedCopy(folder, fileName, bytes);
    *error = copy.error;
    return copy.path;
}

SigningController::SavedCopy SigningController::writeSignedCopy(const QString& folder,
                                                                const QString& fileName,
                                                                const QByteArray& bytes)
{
    const QString path = QDir(folder).filePath(signedCopyName(folder, fileName));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        SavedCopy failed{QString(), file.errorString()};
        file.cancelWriting();
        return failed;
    }
    return SavedCopy{path, QString()};
}

QString SigningController::signedCopyName(const QString& folder, const QString& fileName)
{
    const QString base = withoutLastExtension(fileName);
    const QDir dir(folder);
    QString name = base + QStringLiteral("_signed.pdf");
    for (int n = 1; dir.exists(name); ++n) {
        name = base + QStringLiteral("_signed (%1).pdf").arg(n);
    }
    return name;
}

SignText SigningController::signFailureText(const api::StatusResponse& status)
{
    if (nonEmpty(status.error)) {
        return SignText::same(*status.error);
    }
    const QString code = status.endResult.value_or(QString());
    if (code == u"USER_REFUSED" || code == u"USER_REFUSED_INTERACTION") {
        return {QStringLiteral("Signing was declined."),
                QStringLiteral("Гарын үсэг зурахаас татгалзлаа.")};
    }
    if (code == u"TIMEOUT") {
        return {QStringLiteral("Session expired. Please try again."),
                QStringLiteral("Хугацаа дууссан. Дахин оролдоно уу.")};
    }
    const QString detail = status.endResult ? *status.endResult : status.state.value_or(QString());
    return {QStringLiteral("Signing failed (") + detail + QStringLiteral(")."),
            QStringLiteral("Гарын үсэг амжилтгүй (") + detail + QStringLiteral(").")};
}

SignText SigningController::tooLargeText()
{
    return {QStringLiteral("File is larger than 25 MB."),
            QStringLiteral("Файл 25 MB-аас том байна.")};
}

void SigningController::setPhase(Phase phase)
{
    if (phase != m_phase) {
        m_phase = phase;
        emit phaseChanged(phase);
    }
}

} // namespace orvela::state
