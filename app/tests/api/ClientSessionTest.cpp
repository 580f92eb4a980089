// The backend client against the simulator over time: polling, cancellation, and the signing
// upload with the signed copy it brings back.

#include "ClientTest.h"
#include "MultipartForm.h"
#include "Pades.h"
#include "api/MultipartBody.h"
#include "api/SignPdfStartResponse.h"

#include <QCryptographicHash>
#include <QRegularExpression>

using namespace orvela;
using namespace orvela::api;
using namespace std::chrono_literals;
using orvela::apitest::ClientTest;
using orvela::apitest::runEventLoopFor;
using orvela::apitest::waitUntil;
using orvela::backendsim::SimFault;
using orvela::backendsim::SimOutcome;

namespace {

// A poll goes on while the phone has not answered and ends at its answer, at an error or at its
// deadline; no request follows.
TEST_F(ClientTest, APollEndsAtTheAnswerAnErrorOrTheDeadline)
{
    const auto session = signIn(SimOutcome{});
    const QString timedOut = errorMessage(ApiError::timeout());
    const struct {
        int running;     // "RUNNING" replies ahead of the simulator's own
        QByteArray then; // a reply after those, if any
        QString pollToken;
        std::chrono::milliseconds limit;
        QString expected;   // the end result, or the error's message
        qsizetype requests; // -1: as many as fit in the limit
    } cases[] = {
        {1, {}, *session.pollToken, 300s, "OK", 2},
        {1, R"({"error":"phone unreachable"})", *session.pollToken, 300s,
         "Сервер алдаа (200): phone unreachable", 2},
        {0, {}, "wrong", 300s, "Сервер алдаа (403): invalid poll token", 1},
        {0, R"({"error":""})", *session.pollToken, 300s, "OK", 2}, // an empty text is no error
        {0, {}, *session.pollToken, 0ms, timedOut, 0},
        {1000, {}, *session.pollToken, 1000ms, timedOut, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected.toStdString());
        m_sim->clearRequests();
        if (c.running > 0) {
            m_sim->injectResponse("/api/status", 200, "application/json", R"({"state":"RUNNING"})",
                                  c.running);
        }
        if (!c.then.isEmpty()) {
            m_sim->injectResponse("/api/status", 200, "application/json", c.then);
        }
        auto polled = session;
        polled.pollToken = c.pollToken;
        const auto result = pollAndWait(polled, c.limit);
        EXPECT_EQ(result.ok() ? result.value().endResult : errorMessage(result.error()),
                  c.expected);
        const qsizetype atEnd = statusRequests();
        runEventLoopFor(500);
        EXPECT_EQ(statusRequests(), atEnd);
        EXPECT_TRUE(c.requests < 0 || atEnd == c.requests) << atEnd;
    }
}

// A call and a poll, each cancelled or left without its context: no callback, and a poll sends
// nothing more.
TEST_F(ClientTest, CancelledOrOrphanedCallsAndPollsNeverCallBack)
{
    SimOutcome outcome;
    outcome.approveAfterMs = 60'000;
    const auto session = signIn(outcome);
    int callbacks = 0;
    const auto count = [&](auto) { ++callbacks; };
    for (const bool cancel : {true, false}) {
        auto context = std::make_unique<QObject>();
        m_sim->injectFault(SimFault::slow, "/api/start", 1, 3000);
        QPointer<ApiCall> call =
            m_client->send<StartResponse>(Endpoint::start(), context.get(), count);
        QPointer<ApiCall> poll =
            m_client->pollStatus(session.sessionId, *session.pollToken, 300s, context.get(), count);
        const qsizetype before = statusRequests();
        ASSERT_TRUE(waitUntil([&] { return statusRequests() >= before + 2; }));
        if (cancel) {
            call->cancel();
            poll->cancel();
        } else {
            context.reset();
        }
        const qsizetype atEnd = statusRequests();
        runEventLoopFor(1200);
        EXPECT_EQ(statusRequests(), atEnd);
        EXPECT_TRUE(call.isNull());
    }
    EXPECT_EQ(callbacks, 0);
    // The same call left alone does answer, so the silence above is the cancellation's doing.
    m_sim->injectFault(SimFault::slow, "/api/start", 1, 200);
    m_client->send<StartResponse>(Endpoint::start(), &m_context, count);
    EXPECT_TRUE(waitUntil([&] { return callbacks == 1; }));
}

TEST_F(ClientTest, BodyIsTheExactMultipartLayoutAndTheSignedDocumentComesBack)
{
    // A genuine PDF the simulator can sign, followed by every byte value and a line that looks
    // like a boundary.
    QByteArray pdf = QByteArray::fromStdString(orvela::pades::samplePdf("Orvela"));
    pdf += "%";
    for (int i = 0; i < 600; ++i) {
        pdf += static_cast<char>(i * 31 % 256);
    }
    pdf += "\r\n--not-a-boundary\r\n%%EOF\n";
    const QString digest =
        QString::fromLatin1(QCryptographicHash::hash(pdf, QCryptographicHash::Sha256).toBase64());
    const auto started = sendAndWait<SignPdfStartResponse>(
        *m_client, Endpoint::signPdfStart("PNOMN-1", digest, "a.pdf"));
    ASSERT_TRUE(started.ok());
    const SignPdfStartResponse& session = started.value();
    const QMap<QString, QString> fields{{"sessionId", session.sessionId},
                                        {"pollToken", *session.pollToken}};
    const auto signedPdf = uploadAndWait(*m_client, fields, "гэрээ.pdf", pdf);
    ASSERT_TRUE(signedPdf.ok()) << errorMessage(signedPdf.error()).toStdString();
    EXPECT_TRUE(signedPdf.value().startsWith(pdf));
    EXPECT_TRUE(signedPdf.value().mid(pdf.size()).contains("/ByteRange"));

    const auto request = m_sim->requestsTo("/api/sign-pdf-download").value(0);
    EXPECT_EQ(request.method, "POST");
    const QByteArray type = request.header("Content-Type");
    const QRegularExpression shape(
        "^multipart/form-data; boundary=(Boundary-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-"
        "[0-9A-F]{4}-[0-9A-F]{12})$");
    const auto match = shape.match(QString::fromLatin1(type));
    ASSERT_TRUE(match.hasMatch()) << type.toStdString();
    const QByteArray b = match.captured(1).toLatin1();

    QByteArray expected;
    for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
        expected += "--" + b + "\r\nContent-Disposition: form-data; name=\"" + it.key().toUtf8() +
                    "\"\r\n\r\n" + it.value().toUtf8() + "\r\n";
    }
    expected += "--" + b +
                "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"гэрээ.pdf\"\r\n"
                "Content-Type: application/pdf\r\n\r\n" +
                pdf + "\r\n--" + b + "--\r\n";
    EXPECT_EQ(request.body, expected);
    EXPECT_EQ(request.header("Content-Length"), QByteArray::number(expected.size()));
    // The body as a device reads the same in any chunking, also after a reset (a redirect).
    MultipartBody device(b, fields, "file", "гэрээ.pdf", "application/pdf", pdf);
    EXPECT_EQ(device.size(), expected.size());
    for (const qint64 chunk : {1, 7, 4096}) {
        ASSERT_TRUE(device.reset());
        QByteArray pieces;
        while (!device.atEnd()) {
            pieces += device.read(chunk);
        }
        EXPECT_EQ(pieces, expected) << chunk;
    }

    // Every upload has a boundary of its own, and quotes and line breaks in a file name cannot
    // forge headers. The simulator refuses the document, which is not the one started with.
    const auto forged = uploadAndWait(*m_client, fields, "a\"\r\nX-Evil: 1.pdf", "x");
    EXPECT_EQ(errorMessage(forged.error()), "Сервер алдаа (409): digest mismatch");
    const auto second = m_sim->requestsTo("/api/sign-pdf-download").value(1);
    EXPECT_NE(second.header("Content-Type"), type);
    EXPECT_TRUE(second.body.contains("filename=\"a%22%0D%0AX-Evil: 1.pdf\"\r\n"));
    const auto form = backendsim::MultipartForm::parse(second.header("Content-Type"), second.body);
    ASSERT_TRUE(form.has_value());
    EXPECT_EQ(form->file, "x");
}

} // namespace
