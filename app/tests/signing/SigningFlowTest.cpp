// The signing flow against the backend simulator on 127.0.0.1: what is sent, what is saved
// and recorded, whom the document is signed for, and cancelling it.

#include "SigningFixture.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFutureWatcherBase>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSemaphore>
#include <QThreadPool>
#include <memory>

using namespace orvela;
using namespace orvela::signingtest;
using backendsim::SimOutcome;
using signing::SigningController;

namespace {

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

// The countdown starts afresh with each code shown, and stops with the wait.
TEST_F(SigningControllerTest, ANewDocumentReplacesTheRunningTask)
{
    m_sim.setApproveAfterMs(1400);
    m_signing->signFile(writeDocument(QStringLiteral("first.pdf")));
    ASSERT_TRUE(waitUntil([this] { return m_signing->phase() == Phase::waitingApproval; }));
    EXPECT_EQ(m_signing->countdownText(), "0:20"); // the approval limit of the fixture
    ASSERT_TRUE(waitUntil([this] { return m_signing->countdown() == 19; }));
    m_signing->signFile(writeDocument(QStringLiteral("second.pdf")));
    ASSERT_TRUE(waitUntil([this] { return m_signing->phase() == Phase::waitingApproval; }));
    EXPECT_EQ(m_signing->countdown(), 20);
    ASSERT_TRUE(waitUntil([this] { return ended(); }));
    ASSERT_EQ(m_signing->phase(), Phase::done) << failureText().toStdString();
    const int stopped = m_signing->countdown();
    runEventLoopFor(1200);
    EXPECT_EQ(m_signing->countdown(), stopped);
    EXPECT_EQ(savedFiles(), QStringList{"second_signed.pdf"});
    EXPECT_EQ(requests("/api/sign-pdf-download"), 1);
    ASSERT_EQ(signRecords().size(), 1);
}

} // namespace
