// The signing logic against the backend simulator on 127.0.0.1: what is sent, what is saved
// and where, what is recorded, and every way it can fail.

#include "MultipartForm.h"
#include "SigningFixture.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <latch>
#include <sys/stat.h>
#include <thread>

using namespace orvela;
using namespace orvela::signingtest;
using backendsim::MultipartForm;
using backendsim::SimFault;
using backendsim::SimOutcome;
using state::SigningController;

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray simSignature(const SimOutcome& outcome)
{
    return "\n%Orvela-Sim-Signature: " + outcome.name.toUtf8() + " " +
           outcome.documentNumber.toUtf8() + "\n%%EOF\n";
}

class SigningControllerTest : public SigningFixture {
protected:
    QJsonObject startBody() const
    {
        const auto sent = m_sim.requestsTo(QStringLiteral("/api/sign-pdf-start"));
        EXPECT_EQ(sent.size(), 1);
        return sent.isEmpty() ? QJsonObject() : QJsonDocument::fromJson(sent.first().body).object();
    }

    /// The next status reply is exactly `body`, after one "still running" reply.
    void scriptStatus(const QByteArray& body)
    {
        m_sim.setApproveAfterMs(60'000);
        m_sim.injectResponse(QStringLiteral("/api/status"), 200, "application/json",
                             R"({"state":"RUNNING"})");
        m_sim.injectResponse(QStringLiteral("/api/status"), 200, "application/json", body);
    }

    void expectFailedWithoutRecord(const QString& mongolian)
    {
        EXPECT_EQ(m_signing->phase(), Phase::failed);
        EXPECT_EQ(m_signing->message().mn, mongolian);
        EXPECT_TRUE(signRecords().isEmpty());
        EXPECT_TRUE(savedFiles().isEmpty()) << savedFiles().join(u' ').toStdString();
    }
};

TEST_F(SigningControllerTest, SignsSendsTheDigestAndNameThenSavesWhatTheBackendReturned)
{
    const QString path = writeDocument(QStringLiteral("report.pdf"), 200'000);
    const QByteArray document = readAll(path);
    QList<Phase> phases;
    QObject::connect(m_signing.get(), &SigningController::phaseChanged, m_signing.get(),
                     [&](Phase phase) { phases.append(phase); });

    sign(path);
    ASSERT_EQ(m_signing->phase(), Phase::done) << m_signing->message().en.toStdString();
    EXPECT_EQ(phases, (QList<Phase>{Phase::uploading, Phase::waitingApproval, Phase::done}));

    const QByteArray digest = QCryptographicHash::hash(document, QCryptographicHash::Sha256);
    const QJsonObject start = startBody();
    EXPECT_EQ(start.value("digestB64").toString(), QString::fromLatin1(digest.toBase64()));
    EXPECT_EQ(start.value("fileName").toString(), "report.pdf");
    EXPECT_EQ(start.value("etsi").toString(), "АВ12345678"); // civil ID first, upper case
    EXPECT_EQ(m_signing->hash(), QString::fromLatin1(digest.toHex()));
    EXPECT_EQ(m_signing->hash().size(), 64);
    EXPECT_EQ(m_signing->verificationCode().size(), 4);

    const auto uploads = m_sim.requestsTo(QStringLiteral("/api/sign-pdf-download"));
    ASSERT_EQ(uploads.size(), 1);
    const auto form =
        MultipartForm::parse(uploads.first().header("Content-Type"), uploads.first().body);
    ASSERT_TRUE(form);
    EXPECT_EQ(form->fields.value("sessionId"), m_signing->sessionId().toUtf8());
    EXPECT_FALSE(form->fields.value("pollToken").isEmpty());
    EXPECT_EQ(form->fileField, "file");
    EXPECT_EQ(form->fileName, "report.pdf");
    EXPECT_EQ(form->fileContentType, "application/pdf");
    EXPECT_EQ(form->file, document);

    EXPECT_EQ(m_signing->savedPath(), QDir(downloads()).filePath("report_signed.pdf"));
    EXPECT_EQ(readAll(m_signing->savedPath()), document + simSignature(SimOutcome()));
    EXPECT_EQ(savedFiles(), QStringList{"report_signed.pdf"});

    const auto records = signRecords();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records.first().state, "COMPLETE");
    EXPECT_EQ(records.first().result, "OK");
    EXPECT_EQ(records.first().pushText, QStringLiteral("report.pdf"));
}

TEST_F(SigningControllerTest, SignerIsTheTrimmedCivilIdElseTheNationalIdUpperCased)
{
    signInAs(QStringLiteral(" \tав12345678 "), QStringLiteral("уб99112233"));
    EXPECT_EQ(m_signing->signerIdentifier(), "ав12345678");

    signInAs(QString(), QStringLiteral("\tуб99112233  "));
    EXPECT_EQ(m_signing->signerIdentifier(), "уб99112233");
    sign(writeDocument(QStringLiteral("a.pdf")));
    ASSERT_EQ(m_signing->phase(), Phase::done) << m_signing->message().en.toStdString();
    EXPECT_EQ(startBody().value("etsi").toString(), "УБ99112233");

    signInAs(QStringLiteral("  "), QString());
    EXPECT_EQ(m_signing->signerIdentifier(), "");
}

TEST_F(SigningControllerTest, SignedCopiesTakeTheFirstFreeName)
{
    const QString report = writeDocument(QStringLiteral("report.pdf"));
    QStringList saved;
    for (int i = 0; i < 3; ++i) {
        sign(report);
        ASSERT_EQ(m_signing->phase(), Phase::done) << m_signing->message().en.toStdString();
        saved << QFileInfo(m_signing->savedPath()).fileName();
    }
    EXPECT_EQ(saved,
              (QStringList{"report_signed.pdf", "report_signed (1).pdf", "report_signed (2).pdf"}));

    sign(writeDocument(QStringLiteral("contract.final.pdf")));
    EXPECT_EQ(QFileInfo(m_signing->savedPath()).fileName(), "contract.final_signed.pdf");

    // A gap is filled before higher numbers are tried; a name without extension gets one.
    QDir folder(downloads());
    ASSERT_TRUE(folder.remove("report_signed (1).pdf"));
    const auto direct =
        SigningController::writeSignedCopy(downloads(), "report.pdf", "%PDF-1.7 direct");
    EXPECT_EQ(direct.path, folder.filePath("report_signed (1).pdf")) << direct.error.toStdString();
    EXPECT_EQ(readAll(direct.path), "%PDF-1.7 direct");
    EXPECT_EQ(SigningController::writeSignedCopy(downloads(), "scan", "%PDF-1.7").path,
              folder.filePath("scan_signed.pdf"));
    EXPECT_EQ(readAll(folder.filePath("report_signed.pdf")).left(9), "%PDF-1.7\n");
}

TEST_F(SigningControllerTest, WritersRacingForOneNameEachKeepTheirOwnCompleteCopy)
{
    // Signings that finish together (the desktop and `orvela sign`, or two runs of the tool)
    // all want "report_signed.pdf"; a copy that takes a name another already took replaces it.
    ASSERT_TRUE(QDir().mkpath(downloads()));
    constexpr int writers = 8;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        for (const QString& name : savedFiles()) {
            QFile::remove(QDir(downloads()).filePath(name));
        }
        QList<QByteArray> copies;
        for (int i = 0; i < writers; ++i) {
            copies << "%PDF-1.7 copy " + QByteArray::number(i) + QByteArray(400'000, char('a' + i));
        }
        std::latch start(writers);
        QList<SigningController::SavedCopy> saved(writers);
        std::vector<std::thread> threads;
        for (int i = 0; i < writers; ++i) {
            threads.emplace_back([&, i] {
                start.arrive_and_wait();
                saved[i] = SigningController::writeSignedCopy(downloads(), "report.pdf", copies[i]);
            });
        }
        for (auto& thread : threads) {
            thread.join();
        }
        QSet<QString> paths;
        for (int i = 0; i < writers; ++i) {
            EXPECT_TRUE(readAll(saved[i].path) == copies[i])
                << i << " " << saved[i].path.toStdString() << saved[i].error.toStdString();
            paths.insert(saved[i].path);
        }
        EXPECT_EQ(paths.size(), writers);
        EXPECT_EQ(savedFiles().size(), writers) << savedFiles().join(u' ').toStdString();
    }
}

TEST_F(SigningControllerTest, ExactlyTheLimitIsSignedAndOneByteMoreIsRefusedBeforeAnyRequest)
{
    sign(writeDocument(QStringLiteral("big.pdf"), SigningController::maxDocumentSize + 1));
    EXPECT_EQ(m_signing->phase(), Phase::failed);
    EXPECT_EQ(m_signing->message().en, "File is larger than 25 MB.");
    EXPECT_EQ(m_signing->message().mn, "Файл 25 MB-аас том байна.");
    EXPECT_TRUE(m_sim.requests().isEmpty());
    EXPECT_TRUE(signRecords().isEmpty());

    const QString limit =
        writeDocument(QStringLiteral("limit.pdf"), SigningController::maxDocumentSize);
    sign(limit);
    ASSERT_EQ(m_signing->phase(), Phase::done) << m_signing->message().en.toStdString();
    EXPECT_EQ(QFileInfo(m_signing->savedPath()).size(),
              SigningController::maxDocumentSize + simSignature(SimOutcome()).size());
}

TEST_F(SigningControllerTest, OutcomesOnThePhoneShowTheirTextAndRecordStateAndResult)
{
    struct Case {
        QByteArray status;
        QString en;
        QString mn;
        QString recordedState;
        QString recordedResult;
    };
    const QList<Case> cases{
        {R"({"state":"COMPLETE","endResult":"USER_REFUSED"})", "Signing was declined.",
         "Гарын үсэг зурахаас татгалзлаа.", "COMPLETE", "USER_REFUSED"},
        {R"({"state":"COMPLETE","endResult":"USER_REFUSED_INTERACTION"})", "Signing was declined.",
         "Гарын үсэг зурахаас татгалзлаа.", "COMPLETE", "USER_REFUSED_INTERACTION"},
        {R"({"state":"COMPLETE","endResult":"TIMEOUT"})", "Session expired. Please try again.",
         "Хугацаа дууссан. Дахин оролдоно уу.", "COMPLETE", "TIMEOUT"},
        {R"({"state":"COMPLETE","endResult":"DOCUMENT_UNSIGNABLE"})",
         "Signing failed (DOCUMENT_UNSIGNABLE).", "Гарын үсэг амжилтгүй (DOCUMENT_UNSIGNABLE).",
         "COMPLETE", "DOCUMENT_UNSIGNABLE"},
        {R"({"state":"COMPLETE"})", "Signing failed (COMPLETE).",
         "Гарын үсэг амжилтгүй (COMPLETE).", "COMPLETE", "FAILED"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status.toStdString());
        m_settings->remove(QStringLiteral("activity.sessions"));
        scriptStatus(c.status);
        sign(writeDocument(QStringLiteral("offer.pdf")));
        EXPECT_EQ(m_signing->phase(), Phase::failed);
        EXPECT_EQ(m_signing->message().en, c.en);
        EXPECT_EQ(m_signing->message().mn, c.mn);
        const auto records = signRecords();
        ASSERT_EQ(records.size(), 1);
        EXPECT_EQ(records.first().state, c.recordedState);
        EXPECT_EQ(records.first().result, c.recordedResult);
        EXPECT_EQ(records.first().pushText, QStringLiteral("offer.pdf"));
        EXPECT_TRUE(savedFiles().isEmpty());
    }
    EXPECT_EQ(requests("/api/sign-pdf-download"), 0);
}

TEST_F(SigningControllerTest, AnApprovalWithoutDocumentNumberIsStillDownloaded)
{
    scriptStatus(R"({"state":"COMPLETE","endResult":"OK"})");
    // The simulator's own session never approves; its upload check would refuse, so the reply
    // is scripted as well.
    m_sim.injectResponse(QStringLiteral("/api/sign-pdf-download"), 200, "application/pdf",
                         "%PDF-1.7 signed");
    sign(writeDocument(QStringLiteral("memo.pdf")));
    ASSERT_EQ(m_signing->phase(), Phase::done) << m_signing->message().en.toStdString();
    EXPECT_EQ(readAll(m_signing->savedPath()), "%PDF-1.7 signed");
}

TEST_F(SigningControllerTest, BackendAndNetworkFailuresShowTheirTextWithoutRecord)
{
    m_sim.injectFault(SimFault::badGatewayJson, QStringLiteral("/api/sign-pdf-start"));
    sign(writeDocument(QStringLiteral("a.pdf")));
    expectFailedWithoutRecord("Сервер алдаа (502): upstream unavailable");

    m_sim.injectFault(SimFault::malformedJson, QStringLiteral("/api/status"));
    sign(writeDocument(QStringLiteral("a.pdf")));
    expectFailedWithoutRecord("Серверийн хариу буруу байна.");
    EXPECT_EQ(m_signing->message().en, "The server's reply is invalid.");

    // The client turns an "error" in a status into a failed call: no outcome to record.
    scriptStatus(R"({"state":"RUNNING","error":"Certificate revoked"})");
    sign(writeDocument(QStringLiteral("a.pdf")));
    expectFailedWithoutRecord("Сервер алдаа (200): Certificate revoked");

    // Qt resends a request once when a reused connection closes, so the fault repeats.
    m_sim.setApproveAfterMs(200);
    m_sim.injectFault(SimFault::drop, QStringLiteral("/api/sign-pdf-start"), 3);
    sign(writeDocument(QStringLiteral("a.pdf")));
    EXPECT_EQ(m_signing->phase(), Phase::failed);
    EXPECT_FALSE(m_signing->message().mn.isEmpty());
    EXPECT_TRUE(signRecords().isEmpty());
}

TEST_F(SigningControllerTest, NoApprovalWithinTheLimitIsATimeOutWithoutRecord)
{
    m_sim.setApproveAfterMs(60'000);
    m_signing->setApprovalLimitForTesting(std::chrono::milliseconds(700));
    sign(writeDocument(QStringLiteral("a.pdf")));
    expectFailedWithoutRecord("Хүлээх хугацаа дууслаа.");
}

TEST_F(SigningControllerTest, ADownloadThatBreaksOffLeavesNoFile)
{
    m_sim.injectFault(SimFault::drop, QStringLiteral("/api/sign-pdf-download"), 3);
    sign(writeDocument(QStringLiteral("a.pdf"), 2'000'000));
    EXPECT_EQ(m_signing->phase(), Phase::failed);
    EXPECT_GE(requests("/api/sign-pdf-download"), 1);
    EXPECT_TRUE(signRecords().isEmpty());
    EXPECT_TRUE(savedFiles().isEmpty()) << savedFiles().join(u' ').toStdString();

    // A reply that is no PDF is not saved as a signed copy either.
    m_sim.injectResponse(QStringLiteral("/api/sign-pdf-download"), 200, "application/pdf", "");
    sign(writeDocument(QStringLiteral("a.pdf")));
    expectFailedWithoutRecord("Серверийн хариу буруу байна.");
}

TEST_F(SigningControllerTest, ADownloadsFolderThatCannotBeWrittenFailsWithItsReasonBeforeAnyRequest)
{
    m_downloadsError = QStringLiteral("The Downloads folder could not be created: /nowhere");
    sign(writeDocument(QStringLiteral("a.pdf")));
    EXPECT_EQ(m_signing->phase(), Phase::failed);
    EXPECT_EQ(m_signing->message().en, m_downloadsError);
    EXPECT_TRUE(m_sim.requests().isEmpty());

    // A folder that is there but takes no file, even from root.
    m_downloadsError.clear();
    const QString proc = QStringLiteral("/proc");
    state::SigningController unwritable(*m_state, *m_client,
                                        [&proc](state::SignText*) { return proc; });
    unwritable.signFile(writeDocument(QStringLiteral("a.pdf")));
    ASSERT_TRUE(waitUntil([&] { return unwritable.phase() == Phase::failed; }));
    EXPECT_TRUE(unwritable.message().en.startsWith("Cannot save into the folder /proc: "))
        << unwritable.message().en.toStdString();
    EXPECT_TRUE(unwritable.message().mn.startsWith("/proc хавтаст хадгалах боломжгүй: "))
        << unwritable.message().mn.toStdString();
    EXPECT_TRUE(m_sim.requests().isEmpty());
    EXPECT_TRUE(signRecords().isEmpty());
}

TEST_F(SigningControllerTest, WhatIsNoPdfFileIsRefusedWithItsCauseBeforeAnyRequest)
{
    const QString fifo = m_dir.filePath(QStringLiteral("docs/pipe.pdf"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString text = m_dir.filePath(QStringLiteral("docs/notes.pdf"));
    QFile notes(text);
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.write("Meeting notes, not a PDF\n");
    notes.close();
    const struct {
        QString path;
        const char* en;
        const char* mn;
    } cases[] = {
        {fifo, "\u201cpipe.pdf\u201d is not a file (a folder, pipe or device); choose a PDF file.",
         "\u201cpipe.pdf\u201d нь файл биш (хавтас, суваг эсвэл төхөөрөмж) байна; PDF файл "
         "сонгоно уу."},
        {m_dir.filePath(QStringLiteral("docs")),
         "\u201cdocs\u201d is not a file (a folder, pipe or device); choose a PDF file.",
         "\u201cdocs\u201d нь файл биш (хавтас, суваг эсвэл төхөөрөмж) байна; PDF файл сонгоно "
         "уу."},
        {text, "\u201cnotes.pdf\u201d is not a PDF: it does not start with %PDF-.",
         "\u201cnotes.pdf\u201d нь PDF файл биш: %PDF- гэж эхлээгүй байна."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        sign(c.path);
        EXPECT_EQ(m_signing->phase(), Phase::failed);
        EXPECT_EQ(m_signing->message().en, QString::fromUtf8(c.en));
        EXPECT_EQ(m_signing->message().mn, QString::fromUtf8(c.mn));
    }
    EXPECT_TRUE(m_sim.requests().isEmpty());
}

TEST_F(SigningControllerTest, AnUnreadableFileShowsThePlatformReason)
{
    sign(m_dir.filePath(QStringLiteral("docs/missing.pdf")));
    EXPECT_EQ(m_signing->phase(), Phase::failed);
    EXPECT_EQ(m_signing->message().en, "No such file or directory");
    EXPECT_TRUE(m_sim.requests().isEmpty());
}

TEST_F(SigningControllerTest, CancelWhileWaitingEndsSilentlyWithoutRecordOrUpload)
{
    m_sim.setApproveAfterMs(600);
    m_signing->signFile(writeDocument(QStringLiteral("a.pdf")));
    ASSERT_TRUE(waitUntil([this] { return m_signing->phase() == Phase::waitingApproval; }));
    QList<Phase> after;
    QObject::connect(m_signing.get(), &SigningController::phaseChanged, m_signing.get(),
                     [&](Phase phase) { after.append(phase); });
    m_signing->resetPage();
    EXPECT_EQ(m_signing->phase(), Phase::idle);
    EXPECT_FALSE(m_signing->isRunning());
    runEventLoopFor(300); // a poll already on the wire may still arrive
    const qsizetype polls = requests("/api/status");
    runEventLoopFor(1200); // past the approval and three poll periods: nothing more may run
    EXPECT_EQ(after, QList<Phase>{Phase::idle});
    EXPECT_EQ(requests("/api/status"), polls);
    EXPECT_EQ(requests("/api/sign-pdf-download"), 0);
    EXPECT_TRUE(signRecords().isEmpty());
    EXPECT_TRUE(savedFiles().isEmpty());
}

TEST_F(SigningControllerTest, CancelWhileReadingDropsTheReadAndSendsNothing)
{
    m_signing->signFile(writeDocument(QStringLiteral("a.pdf"), 5'000'000));
    EXPECT_EQ(m_signing->phase(), Phase::uploading);
    EXPECT_EQ(m_signing->fileName(), "a.pdf");
    m_signing->cancel();
    EXPECT_EQ(m_signing->phase(), Phase::idle);
    runEventLoopFor(500);
    EXPECT_EQ(m_signing->phase(), Phase::idle);
    EXPECT_TRUE(m_sim.requests().isEmpty());
}

TEST_F(SigningControllerTest, ANewDocumentReplacesTheRunningTask)
{
    m_sim.setApproveAfterMs(400);
    m_signing->signFile(writeDocument(QStringLiteral("first.pdf")));
    ASSERT_TRUE(waitUntil([this] { return m_signing->phase() == Phase::waitingApproval; }));
    sign(writeDocument(QStringLiteral("second.pdf")));
    ASSERT_EQ(m_signing->phase(), Phase::done) << m_signing->message().en.toStdString();
    runEventLoopFor(800);
    EXPECT_EQ(savedFiles(), QStringList{"second_signed.pdf"});
    EXPECT_EQ(requests("/api/sign-pdf-download"), 1);
    ASSERT_EQ(signRecords().size(), 1);
    EXPECT_EQ(signRecords().first().pushText, QStringLiteral("second.pdf"));
}

TEST(SignFailureText, AnErrorTextWinsAndAStatusWithNothingSaysSo)
{
    api::StatusResponse status;
    status.endResult = QStringLiteral("USER_REFUSED");
    status.error = QStringLiteral("Backend says no");
    EXPECT_EQ(SigningController::signFailureText(status).en, "Backend says no");
    status.error = QString();
    EXPECT_EQ(SigningController::signFailureText(status).en, "Signing was declined.");
    EXPECT_EQ(SigningController::signFailureText(api::StatusResponse{}).en, "Signing failed ().");
    EXPECT_EQ(SigningController::signFailureText(api::StatusResponse{}).mn,
              "Гарын үсэг амжилтгүй ().");
}

} // namespace
