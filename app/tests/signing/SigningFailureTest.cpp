// Every way a signing can fail, each with its cause in words, and what is recorded of it.

#include "SigningFixture.h"

#include <csignal>
#include <functional>
#include <memory>
#include <sys/resource.h>

using namespace orvela;
using namespace orvela::signingtest;
using backendsim::SimFault;
using signing::SigningController;

namespace {

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

} // namespace
