// The signing logic against the backend simulator on 127.0.0.1: what is sent, what is saved
// and where, what is recorded, and every way it can fail.

#include "SigningFixture.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFutureWatcherBase>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSemaphore>
#include <QThreadPool>
#include <csignal>
#include <functional>
#include <latch>
#include <sys/resource.h>
#include <thread>

using namespace orvela;
using namespace orvela::signingtest;
using backendsim::SimFault;
using backendsim::SimOutcome;
using signing::SigningController;

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// Keeps every thread of the global pool busy until it goes, so work queued meanwhile waits.
class BlockedPool {
public:
    BlockedPool() : m_threads(QThreadPool::globalInstance()->maxThreadCount())
    {
        for (int i = 0; i < m_threads; ++i) {
            // Each waiter holds the semaphore, which may outlive this object by a moment.
            QThreadPool::globalInstance()->start([release = m_release] { release->acquire(); });
        }
    }
    ~BlockedPool() { m_release->release(m_threads); }

private:
    int m_threads;
    std::shared_ptr<QSemaphore> m_release = std::make_shared<QSemaphore>();
};

/// A limit on the size of every file the process writes, as a full disk would set one: the
/// write that reaches it is cut short, the next fails. Lifted when it goes.
class FileSizeLimit {
public:
    FileSizeLimit() { ::getrlimit(RLIMIT_FSIZE, &m_before); }
    ~FileSizeLimit() { lift(); }
    void set(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN); // an error to see, not a signal that ends the test
        rlimit limit = m_before;
        limit.rlim_cur = bytes;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    void lift()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_before);
        std::signal(SIGXFSZ, SIG_DFL);
    }

private:
    rlimit m_before{};
};

class SigningControllerTest : public SigningFixture {
protected:
    /// The next status reply is exactly `body`, after one "still running" reply.
    void scriptStatus(const QByteArray& body)
    {
        m_sim.setApproveAfterMs(60'000);
        m_sim.injectResponse(QStringLiteral("/api/status"), 200, "application/json",
                             R"({"state":"RUNNING"})");
        m_sim.injectResponse(QStringLiteral("/api/status"), 200, "application/json", body);
    }
};

TEST_F(SigningControllerTest, SignsSendsTheDigestAndNameThenSavesWhatTheBackendReturned)
{
    // The largest document taken: one byte more is refused below.
    const QString path =
        writeDocument(QStringLiteral("report.pdf"), SigningController::maxDocumentSize);
    const QByteArray document = readAll(path);
    QList<Phase> phases;
    QObject::connect(m_signing.get(), &SigningController::phaseChanged, m_signing.get(),
                     [&](Phase phase) { phases.append(phase); });
    // A folder where the activity log's lock file goes is no lock to wait for.
    ASSERT_TRUE(QDir().mkpath(m_settings->fileName() + ".activity-lock"));
    QElapsedTimer elapsed;
    elapsed.start();

    sign(path);
    ASSERT_EQ(m_signing->phase(), Phase::done) << failureText().toStdString();
    EXPECT_LT(elapsed.elapsed(), 8000);
    EXPECT_EQ(phases, (QList<Phase>{Phase::uploading, Phase::waitingApproval, Phase::done}));

    const QByteArray digest = QCryptographicHash::hash(document, QCryptographicHash::Sha256);
    const auto sent = m_sim.requestsTo(QStringLiteral("/api/sign-pdf-start"));
    ASSERT_EQ(sent.size(), 1);
    const QJsonObject start = QJsonDocument::fromJson(sent.first().body).object();
    EXPECT_EQ(start.value("digestB64").toString(), QString::fromLatin1(digest.toBase64()));
    EXPECT_EQ(start.value("fileName").toString(), "report.pdf");
    EXPECT_EQ(start.value("etsi").toString(), "АВ12345678"); // civil ID first, upper case
    EXPECT_EQ(m_signing->hash(), QString::fromLatin1(digest.toHex()));

    // The simulator signs the upload only if it is the document whose digest started the
    // session, so the copy below proves what was uploaded.
    EXPECT_EQ(m_signing->savedPath(), QDir(downloads()).filePath("report_signed.pdf"));
    const QByteArray copy = readAll(m_signing->savedPath());
    EXPECT_TRUE(copy.startsWith(document) && copy.size() > document.size());
    EXPECT_TRUE(m_signing->copyCheck().passed());
    EXPECT_EQ(savedFiles(), QStringList{"report_signed.pdf"});
    const auto records = signRecords();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records.first().result, "OK");
    EXPECT_EQ(records.first().pushText, QStringLiteral("report.pdf"));
}

// Whatever copy the service hands back is kept, but only a genuine signature by the signed-in
// person over the very document they chose is called signed; every other copy is recorded as a
// failed signing. Trust comes from the simulator's authority, and from nowhere else.
TEST_F(SigningControllerTest, OnlyTheChosenDocumentSignedByThePersonIsCalledSigned)
{
    using backendsim::SignedCopyTamper;
    using signing::CopyVerdict;
    const signing::VerifyOptions simulatorTrust{false, m_sim.authorityPem(), {}};
    const struct {
        SignedCopyTamper copy;
        signing::VerifyOptions trust;
        CopyVerdict verdict;
        const char* record;
    } rows[] = {
        {SignedCopyTamper::none, simulatorTrust, CopyVerdict::signedAsAsked, "OK"},
        {SignedCopyTamper::none,
         {true, {}, {}},
         CopyVerdict::notTrusted,
         "COPY_SIGNER_NOT_TRUSTED"},
        {SignedCopyTamper::unsigned_, simulatorTrust, CopyVerdict::noSignature, "COPY_NOT_SIGNED"},
        {SignedCopyTamper::otherDocument, simulatorTrust, CopyVerdict::differentDocument,
         "COPY_DIFFERENT_DOCUMENT"},
        {SignedCopyTamper::otherSigner, simulatorTrust, CopyVerdict::someoneElse,
         "COPY_SIGNED_BY_SOMEONE_ELSE"},
        {SignedCopyTamper::appendedAfter, simulatorTrust, CopyVerdict::changedAfterSigning,
         "COPY_CHANGED_AFTER_SIGNING"},
        {SignedCopyTamper::byteRangeGap, simulatorTrust, CopyVerdict::invalid,
         "COPY_SIGNATURE_INVALID"},
        {SignedCopyTamper::brokenContents, simulatorTrust, CopyVerdict::invalid,
         "COPY_SIGNATURE_INVALID"},
    };
    const QString path = writeDocument(QStringLiteral("deed.pdf"));
    const QByteArray document = readAll(path);
    qsizetype kept = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.copy));
        SimOutcome outcome;
        outcome.copy = row.copy;
        m_sim.scriptNextOutcome(outcome);
        m_signing->setCopyTrust(row.trust);
        sign(path);
        ASSERT_EQ(m_signing->phase(), Phase::done) << failureText().toStdString();
        EXPECT_EQ(m_signing->copyCheck().verdict, row.verdict);
        EXPECT_EQ(signRecords().value(0).result, row.record);
        const QByteArray copy = readAll(m_signing->savedPath());
        EXPECT_TRUE(copy.startsWith("%PDF-"));
        EXPECT_EQ(copy == document, row.copy == SignedCopyTamper::unsigned_);
        EXPECT_EQ(savedFiles().size(), ++kept);
        const bool passed = row.verdict == CopyVerdict::signedAsAsked;
        for (const auto language : {common::AppLanguage::en, common::AppLanguage::mn}) {
            EXPECT_EQ(signing::copyCheckText(m_signing->copyCheck(), language).isEmpty(), passed);
        }
    }
}

TEST_F(SigningControllerTest, SignerIsTheTrimmedCivilIdElseTheNationalId)
{
    signInAs(QStringLiteral(" \tав12345678 "), QStringLiteral("уб99112233"));
    EXPECT_EQ(m_signing->signerIdentifier(), "ав12345678");
    signInAs(QString(), QStringLiteral("\tуб99112233  "));
    EXPECT_EQ(m_signing->signerIdentifier(), "уб99112233"); // sent upper-cased, as above
    signInAs(QStringLiteral("  "), QString());
    EXPECT_EQ(m_signing->signerIdentifier(), "");
}

TEST_F(SigningControllerTest, SignedCopiesTakeTheFirstFreeName)
{
    const QString report = writeDocument(QStringLiteral("report.pdf"));
    QStringList saved;
    for (int i = 0; i < 3; ++i) {
        if (i == 2) { // an approval without document number is still downloaded
            scriptStatus(R"({"state":"COMPLETE","endResult":"OK"})");
            m_sim.injectResponse(QStringLiteral("/api/sign-pdf-download"), 200, "application/pdf",
                                 "%PDF-1.7 signed");
        }
        sign(report);
        ASSERT_EQ(m_signing->phase(), Phase::done) << failureText().toStdString();
        saved << QFileInfo(m_signing->savedPath()).fileName();
    }
    EXPECT_EQ(saved,
              (QStringList{"report_signed.pdf", "report_signed (1).pdf", "report_signed (2).pdf"}));
    EXPECT_EQ(readAll(m_signing->savedPath()), "%PDF-1.7 signed");

    // A gap is filled before higher numbers; only the last extension goes; a copy is never
    // hidden; a name past the file system's 255 bytes loses whole characters of its base.
    QDir folder(downloads());
    ASSERT_TRUE(folder.remove("report_signed (1).pdf"));
    const QString x251 = QString(251, u'x') + ".pdf";
    const QString euro83 = QString(83, u'€') + ".pdf"; // 3 bytes each
    // A folder so deep that only a short name still fits in the longest path.
    QString deep = m_dir.filePath("deep");
    while (deep.size() < 3850) {
        deep += u'/' + QString(255, u'd');
    }
    ASSERT_TRUE(QDir().mkpath(deep));
    const struct {
        QString folder;
        QString name;
        QString expected;
    } names[] = {
        {downloads(), "report.pdf", "report_signed (1).pdf"},
        {downloads(), "contract.final.pdf", "contract.final_signed.pdf"},
        {downloads(), "scan", "scan_signed.pdf"},
        {downloads(), ".pdf", "_signed.pdf"},
        {downloads(), "..notes.pdf", "notes_signed.pdf"},
        {downloads(), x251, QString(244, u'x') + "_signed.pdf"},
        {downloads(), x251, QString(240, u'x') + "_signed (1).pdf"},
        {downloads(), euro83, QString(81, u'€') + "_signed.pdf"},
        {deep, x251, "document_signed.pdf"},
    };
    for (const auto& c : names) {
        SCOPED_TRACE(c.name.toStdString());
        EXPECT_EQ(signing::SignedCopyWriter::check(c.folder, c.name, 15), QString());
        const auto copy = signing::SignedCopyWriter::write(c.folder, c.name, "%PDF-1.7 direct");
        EXPECT_EQ(copy.path, QDir(c.folder).filePath(c.expected)) << copy.error.toStdString();
        EXPECT_EQ(readAll(copy.path), "%PDF-1.7 direct");
    }

    // The whole signing of a document with such a name: nothing the phone approved is lost.
    ASSERT_TRUE(QDir(downloads()).removeRecursively());
    m_sim.setApproveAfterMs(200);
    sign(writeDocument(x251));
    ASSERT_EQ(m_signing->phase(), Phase::done) << failureText().toStdString();
    EXPECT_EQ(QFileInfo(m_signing->savedPath()).fileName(), QString(244, u'x') + "_signed.pdf");
}

TEST_F(SigningControllerTest, WritersRacingForOneNameEachKeepTheirOwnCompleteCopy)
{
    // Signings that finish together (the desktop and `orvela sign`, or two runs of the tool)
    // all want "report_signed.pdf"; a copy that takes a name another already took replaces it.
    ASSERT_TRUE(QDir().mkpath(downloads()));
    constexpr int writers = 8;
    QList<QByteArray> copies;
    for (int i = 0; i < writers; ++i) {
        copies << "%PDF-1.7 copy " + QByteArray::number(i) + QByteArray(400'000, char('a' + i));
    }
    std::latch start(writers);
    QList<signing::SignedCopyWriter::Saved> saved(writers);
    std::vector<std::thread> threads;
    for (int i = 0; i < writers; ++i) {
        threads.emplace_back([&, i] {
            start.arrive_and_wait();
            saved[i] = signing::SignedCopyWriter::write(downloads(), "report.pdf", copies[i]);
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    QSet<QString> paths;
    for (int i = 0; i < writers; ++i) {
        EXPECT_TRUE(readAll(saved[i].path) == copies[i]) << i << saved[i].error.toStdString();
        paths.insert(saved[i].path);
    }
    EXPECT_EQ(paths.size(), writers);
    EXPECT_EQ(savedFiles().size(), writers) << savedFiles().join(u' ').toStdString();
}

TEST_F(SigningControllerTest, EachFailureShowsItsCauseAndOnlyWhatThePhoneAnsweredIsRecorded)
{
    const QString pdf = writeDocument(QStringLiteral("a.pdf"));
    const QString notes = m_dir.filePath(QStringLiteral("docs/notes.pdf"));
    QFile text(notes);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly) && text.write("Meeting notes\n") > 0);
    text.close();
    const QString big = writeDocument("big.pdf", SigningController::maxDocumentSize + 1);
    const auto phone = [&](const char* status) { return [&, status] { scriptStatus(status); }; };
    // Qt resends a request once when a reused connection closes, so a drop repeats; the signed
    // copy comes on a fresh connection of its own, which is never resent.
    const auto fault = [&](SimFault kind, const char* path, int count = 1) {
        return [&, kind, path, count] { m_sim.injectFault(kind, path, count); };
    };
    const auto copy = [&](const char* body) {
        return [&, body] {
            m_sim.injectResponse("/api/sign-pdf-download", 200, "application/pdf", body);
        };
    };
    const QString invalid = QStringLiteral("The server's reply is invalid.");
    FileSizeLimit fileSizeLimit;
    auto rowScope = std::make_unique<QObject>(); // connections of one row
    struct Failure {
        const char* name;
        std::function<void()> arrange;
        QString en;                     // how the English text starts
        const char* recorded = nullptr; // the end result recorded, when the phone answered
        bool sent = true;               // whether the backend was asked at all
        QString document = {};          // what is signed, when not a small PDF
    };
    const Failure cases[] = {
        {"declined", phone(R"({"state":"COMPLETE","endResult":"USER_REFUSED"})"),
         "Signing was declined.", "USER_REFUSED"},
        {"declined in the app",
         phone(R"({"state":"COMPLETE","endResult":"USER_REFUSED_INTERACTION"})"),
         "Signing was declined.", "USER_REFUSED_INTERACTION"},
        {"timed out", phone(R"({"state":"COMPLETE","endResult":"TIMEOUT"})"),
         "Session expired. Please try again.", "TIMEOUT"},
        {"unsignable", phone(R"({"state":"COMPLETE","endResult":"DOCUMENT_UNSIGNABLE"})"),
         "Signing failed (DOCUMENT_UNSIGNABLE).", "DOCUMENT_UNSIGNABLE"},
        {"no end result", phone(R"({"state":"COMPLETE"})"), "Signing failed (COMPLETE).", "FAILED"},
        {"start refused", fault(SimFault::badGatewayJson, "/api/sign-pdf-start"),
         "Server error (502): upstream unavailable"},
        {"status unreadable", fault(SimFault::malformedJson, "/api/status"), invalid},
        {"error inside a status", phone(R"({"state":"RUNNING","error":"Certificate revoked"})"),
         "Server error (200): Certificate revoked"},
        // Two answers in one reply: the last would sign what the first declined.
        {"a key given twice",
         phone(R"({"state":"COMPLETE","endResult":"USER_REFUSED",)"
               R"("endResult":"OK"})"),
         invalid},
        // Known before the phone is asked: the copy cannot be smaller than the document.
        {"no room for the copy", [&] { fileSizeLimit.set(2048); },
         "Cannot save into the folder " + downloads() + ": File too large", nullptr, false},
        // Known only once the copy arrives: it is larger than the document was.
        {"the copy cut short by a full disk", [&] { fileSizeLimit.set(4096 + 10); },
         "Cannot save into the folder " + downloads() + ": File too large"},
        {"the folder gone while the phone was asked",
         [&] {
             QObject::connect(m_signing.get(), &SigningController::phaseChanged, rowScope.get(),
                              [&](Phase phase) {
                                  if (phase == Phase::waitingApproval) {
                                      QDir(downloads()).removeRecursively();
                                  }
                              });
         },
         "Cannot save into the folder " + downloads() + ": No such file or directory"},
        {"download dropped", fault(SimFault::drop, "/api/sign-pdf-download", 1), ""},
        {"empty copy", copy(""), invalid},
        {"copy that is no PDF", copy("<html>%PDF-1.7 signed</html>"), invalid},
        {"no approval in time",
         [&] {
             m_sim.setApproveAfterMs(60'000);
             m_signing->setApprovalLimitForTesting(std::chrono::milliseconds(700));
         },
         "The waiting time is over."},
        {"start dropped", fault(SimFault::drop, "/api/sign-pdf-start", 3), ""},
        {"one byte too large", {}, "File is larger than 25 MB.", nullptr, false, big},
        {"a folder",
         {},
         "\u201cdocs\u201d is not a file (a folder, pipe or device); choose a PDF file.",
         nullptr,
         false,
         m_dir.filePath(QStringLiteral("docs"))},
        {"no PDF",
         {},
         "\u201cnotes.pdf\u201d is not a PDF: it does not start with %PDF-.",
         nullptr,
         false,
         notes},
        {"no Downloads folder",
         [&] {
             m_folder = [](signing::SignFailure* why) {
                 *why = {signing::SignFailure::Kind::noDownloadsFolder, {}, {}, {}};
                 return QString();
             };
         },
         "No Downloads folder is known on this system.", nullptr, false},
        // A folder that is there but takes no file, even from root.
        {"a folder that takes no file",
         [&] { m_folder = [](signing::SignFailure*) { return QStringLiteral("/proc"); }; },
         "Cannot save into the folder /proc: ", nullptr, false},
    };
    const auto downloadsFolder = m_folder;
    for (const Failure& c : cases) {
        SCOPED_TRACE(c.name);
        fileSizeLimit.lift();
        rowScope = std::make_unique<QObject>();
        m_settings->remove(QStringLiteral("activity.sessions"));
        m_sim.clearRequests();
        m_sim.setApproveAfterMs(200);
        m_signing->setApprovalLimitForTesting(std::chrono::seconds(20));
        m_folder = downloadsFolder;
        if (c.arrange) {
            c.arrange();
        }
        sign(c.document.isEmpty() ? pdf : c.document);
        EXPECT_EQ(m_signing->phase(), Phase::failed);
        EXPECT_TRUE(failureText().startsWith(c.en)) << failureText().toStdString();
        EXPECT_FALSE(failureText(common::AppLanguage::mn).isEmpty());
        EXPECT_EQ(!m_sim.requests().isEmpty(), c.sent);
        const auto records = signRecords();
        ASSERT_EQ(records.size(), c.recorded ? 1 : 0);
        if (c.recorded) {
            EXPECT_EQ(records.first().state, "COMPLETE");
            EXPECT_EQ(records.first().result, c.recorded);
            EXPECT_EQ(requests("/api/sign-pdf-download"), 0);
        }
        EXPECT_TRUE(savedFiles().isEmpty()) << savedFiles().join(u' ').toStdString();
    }
}

TEST_F(SigningControllerTest, CancelWhileReadingOrAsTheCopyArrivesLeavesNoRequestCopyOrRecord)
{
    m_signing->signFile(writeDocument(QStringLiteral("big.pdf"), 5'000'000));
    EXPECT_EQ(m_signing->phase(), Phase::uploading);
    m_signing->cancel();
    runEventLoopFor(500);
    EXPECT_EQ(m_signing->phase(), Phase::idle);
    EXPECT_TRUE(m_sim.requests().isEmpty());

    m_signing->signFile(writeDocument(QStringLiteral("a.pdf")));
    ASSERT_TRUE(waitUntil([this] { return m_signing->phase() == Phase::waitingApproval; }));
    {
        // The copy has arrived and waits for a pool thread to be written when the person
        // cancels.
        BlockedPool blocked;
        ASSERT_TRUE(waitUntil([this] {
            return requests("/api/sign-pdf-download") == 1 &&
                   !m_signing->findChildren<QFutureWatcherBase*>().isEmpty();
        }));
        m_signing->cancel();
    }
    ASSERT_TRUE(
        waitUntil([this] { return m_signing->findChildren<QFutureWatcherBase*>().isEmpty(); }));
    EXPECT_EQ(m_signing->phase(), Phase::idle);
    EXPECT_TRUE(signRecords().isEmpty());
    EXPECT_TRUE(savedFiles().isEmpty()) << savedFiles().join(u' ').toStdString();
}

TEST_F(SigningControllerTest, ANewDocumentReplacesTheRunningTask)
{
    m_sim.setApproveAfterMs(400);
    m_signing->signFile(writeDocument(QStringLiteral("first.pdf")));
    ASSERT_TRUE(waitUntil([this] { return m_signing->phase() == Phase::waitingApproval; }));
    sign(writeDocument(QStringLiteral("second.pdf")));
    ASSERT_EQ(m_signing->phase(), Phase::done) << failureText().toStdString();
    runEventLoopFor(800);
    EXPECT_EQ(savedFiles(), QStringList{"second_signed.pdf"});
    EXPECT_EQ(requests("/api/sign-pdf-download"), 1);
    ASSERT_EQ(signRecords().size(), 1);
}

} // namespace
