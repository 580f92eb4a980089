// The client against a server that misbehaves on the wire: bodies cut short, bodies without
// end, redirects elsewhere. A raw socket server scripts the reply bytes exactly, which the
// simulator's HTTP stack would never produce.

#include "CallOutcome.h"
#include "EndlessChunkedServer.h"
#include "ScriptedServer.h"
#include "TestSupport.h"
#include "api/ReplyBody.h"

#include <QFile>
#include <cstdio>

using namespace orvela;
using namespace orvela::api;
using namespace orvela::apitest;

namespace {

constexpr qint64 MiB = 1024 * 1024;

// Under AddressSanitizer its shadow memory and quarantine of freed blocks swamp what is
// measured (GCC names the sanitizer with a macro, clang with a feature).
#if defined(__SANITIZE_ADDRESS__)
constexpr bool residentSizeIsMemory = false;
#elif defined(__has_feature)
constexpr bool residentSizeIsMemory = !__has_feature(address_sanitizer);
#else
constexpr bool residentSizeIsMemory = true;
#endif

long statusKiB(const QByteArray& field)
{
    QFile status("/proc/self/status");
    const QByteArrayList lines =
        status.open(QIODevice::ReadOnly) ? status.readAll().split('\n') : QByteArrayList();
    for (const QByteArray& line : lines) {
        if (line.startsWith(field)) {
            return line.mid(field.size()).trimmed().split(' ').first().toLong();
        }
    }
    ADD_FAILURE() << "no " << field.toStdString() << " in /proc/self/status";
    return 0;
}

/// Starts the peak resident size afresh from the current one, which it returns in KiB.
long resetPeakResident()
{
    QFile clear("/proc/self/clear_refs");
    EXPECT_TRUE(clear.open(QIODevice::WriteOnly) && clear.write("5") == 1);
    return statusKiB("VmRSS:");
}

long peakResidentKiB()
{
    return statusKiB("VmHWM:");
}

QByteArray head(const QByteArray& framing, const QByteArray& body = {})
{
    return "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n" + framing + "\r\n" +
           body;
}

QByteArray chunk(const QByteArray& data)
{
    return QByteArray::number(data.size(), 16) + "\r\n" + data + "\r\n";
}

const QByteArray chunked = "Transfer-Encoding: chunked\r\n";
const QByteArray completeJson = R"({"state":"COMPLETE"})";

enum class Call { json, upload, health };

class HostileServerTest : public ApiFixture {
protected:
    std::unique_ptr<APIClient> clientOf(const ScriptedServer& server)
    {
        APIClientOptions options;
        options.fixedBaseUrl = server.origin();
        // A client that waited for a body it should have refused gives up soon.
        options.timeouts.requestIdleMs = options.timeouts.healthIdleMs = 3000;
        options.timeouts.exchangeMs = 5000;
        return makeClient(options);
    }

    Outcome run(APIClient& client, Call call, QByteArray* body)
    {
        if (call == Call::health) {
            return healthAndWait(client) ? succeeded : failedInTransport;
        }
        if (call == Call::json) {
            return outcomeOf(sendAndWait<StatusResponse>(client, Endpoint::status("s-1", "t")));
        }
        const auto result = uploadAndWait(client, {{"sessionId", "s-1"}}, "a.pdf", "%PDF-1.7\n");
        *body = result.ok() ? result.value() : QByteArray();
        return outcomeOf(result);
    }
};

TEST_F(HostileServerTest, OnlyCompleteBodiesWithinTheLimitCount)
{
    const QByteArray partialPdf = "%PDF-1.7\npartial";
    const QByteArray filler(64 * 1024, 'x');
    const QByteArray twoGiB = "Content-Length: 2147483648\r\n";
    const auto over = [](qint64 limit) {
        return "Content-Length: " + QByteArray::number(limit + 1) + "\r\n";
    };
    const ReplyLimits limits;
    const QStringList tooLarge{failedWith(ApiError::Kind::replyTooLarge)};
    // Qt reports a body cut short either as a closed connection or, when the close races the
    // last read, as no error at all; the second is pinned down with a reply of its own below.
    const QStringList cutShort{failedInTransport, failedWith(ApiError::Kind::incompleteReply)};
    const QStringList unhealthy{failedInTransport};
    const QStringList malformed{failedWith(ApiError::Kind::malformedReply)};
    // clang-format off
    const struct {
        const char* name;
        Call call;
        Script script;
        QStringList expected; ///< any of these
        /// The client must have hung up on a server that would never stop sending.
        bool clientHangsUp = false;
        /// The peak memory of the process stays near the call's limit.
        bool boundedMemory = false;
    } cases[] = {
        {"signed copy short of its length, closed at once", Call::upload,
         {head("Content-Length: 100000\r\n", partialPdf), {}, 0}, cutShort},
        {"signed copy short of its length, closed after a pause", Call::upload,
         {head("Content-Length: 100000\r\n", partialPdf), {}, 500}, cutShort},
        {"JSON short of its length", Call::json,
         {head("Content-Length: 100\r\n", completeJson), {}, 0}, cutShort},
        {"JSON ended only by the connection closing", Call::json,
         {head("Connection: close\r\n", completeJson), {}, 0},
         {failedWith(ApiError::Kind::incompleteReply)}},
        {"server error ended only by the connection closing", Call::json,
         {"HTTP/1.1 503 Unavailable\r\nConnection: close\r\n\r\ndown", {}, 0},
         {failedWith(ApiError::Kind::server)}},
        {"health ended only by the connection closing", Call::health,
         {head("Connection: close\r\n", "OK"), {}, 0}, {succeeded}},
        {"chunked JSON cut before its last chunk", Call::json,
         {head(chunked, chunk(completeJson)), {}, 0}, unhealthy},
        {"chunked JSON ended by its last chunk", Call::json,
         {head(chunked, chunk(completeJson) + chunk({})), {}, -1}, {succeeded}},
        {"JSON announcing 2 GiB", Call::json, {head(twoGiB), filler}, tooLarge, true},
        // Refused on the announcement alone: nothing follows it.
        {"JSON announcing a byte too many", Call::json, {head(over(limits.jsonBytes)), {}, -1},
         tooLarge, true},
        {"signed copy announcing a byte too many", Call::upload,
         {head(over(limits.uploadBytes)), {}, -1}, tooLarge, true},
        {"JSON without end", Call::json, {head(chunked), chunk(filler)}, tooLarge, true},
        {"health announcing 2 GiB", Call::health, {head(twoGiB), filler}, unhealthy, true},
        {"health without end", Call::health, {head(chunked), chunk(filler)}, unhealthy, true},
        {"signed copy without end", Call::upload, {head(chunked), chunk(filler)}, tooLarge, true,
         true},
        {"signed copy in one chunk without end", Call::upload,
         {head(chunked, "7fffffff\r\n"), filler}, tooLarge, true, true},
        // Qt believes the first length it sees, and a copy cut to it would look complete.
        {"signed copy with two lengths that disagree", Call::upload,
         {head("Content-Length: 2000\r\nContent-Length: 5000\r\n",
               "%PDF-1.7\n" + QByteArray(4991, 'x')), {}, -1}, malformed, true},
        {"JSON with a length and a chunked encoding", Call::json,
         {head("Content-Length: 20\r\n" + chunked, chunk(completeJson) + chunk({})), {}, -1},
         malformed},
        {"signed copy in an encoding never asked for", Call::upload,
         {head("Transfer-Encoding: gzip\r\n", "%PDF-1.7\n"), {}, -1}, malformed, true},
        // Time limits name themselves; Qt alone would say "Operation canceled".
        {"headers dripped without end", Call::json,
         {"HTTP/1.1 200 OK\r\nX-Slow: ", "a", -1, 100},
         {timedOut(TransportError::Wait::idle)}, true},
        {"signed copy's headers dripped without end", Call::upload,
         {"HTTP/1.1 200 OK\r\nX-Slow: ", "a", -1, 100},
         {timedOut(TransportError::Wait::idle)}, true},
        {"signed copy dripped without end", Call::upload,
         {head("Content-Length: 100000\r\n"), "x", -1, 100},
         {timedOut(TransportError::Wait::exchange)}, true},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server;
        server.scripts["*"] = c.script;
        const auto client = clientOf(server);
        QByteArray body;
        const long residentBefore = resetPeakResident();
        const Outcome outcome = run(*client, c.call, &body);
        EXPECT_TRUE(c.expected.contains(outcome)) << outcome.toStdString();
        EXPECT_TRUE(body.isEmpty());
        if (c.clientHangsUp) {
            EXPECT_TRUE(waitUntil([&] { return server.clientClosed; }));
        }
        if (c.boundedMemory && residentSizeIsMemory) {
            // The body up to the limit and Qt's buffers, never a second copy of the body; the
            // server here writes only as the client reads, so Qt cannot read far ahead.
            const qint64 grown = (peakResidentKiB() - residentBefore) * 1024;
            std::printf("[ peak     ] %s: %.1f MiB above the start, limit %.1f MiB\n", c.name,
                        double(grown) / MiB, double(limits.uploadBytes) / MiB);
            EXPECT_LT(grown, limits.uploadBytes + 16 * MiB);
            EXPECT_GT(server.written, limits.uploadBytes);
        }
    }
}

// A server on its own thread writes as fast as the kernel takes it, so nothing but the client's
// own reading holds it back: what the client buffers beyond its limit shows in its peak memory.
TEST_F(HostileServerTest, AFastServerWithoutEndCostsNoMoreThanTheLimit)
{
    EndlessChunkedServer server;
    APIClientOptions options;
    options.fixedBaseUrl = QStringLiteral("http://127.0.0.1:%1").arg(server.port);
    const auto client = makeClient(options);
    const long residentBefore = resetPeakResident();
    QByteArray body;
    EXPECT_EQ(run(*client, Call::upload, &body), failedWith(ApiError::Kind::replyTooLarge));
    EXPECT_TRUE(waitUntil([&] { return server.clientClosed.load(); }));
    const qint64 grown = (peakResidentKiB() - residentBefore) * 1024;
    const qint64 limit = ReplyLimits{}.uploadBytes;
    std::printf("[ peak     ] %.1f MiB above the start after %.1f MiB sent, limit %.1f MiB\n",
                double(grown) / MiB, double(server.written) / MiB, double(limit) / MiB);
    if (residentSizeIsMemory) {
        EXPECT_LT(grown, limit + 16 * MiB);
    }
}

TEST_F(HostileServerTest, RedirectsStayOnTheConfiguredOrigin)
{
    enum class Target { samePath, seeOther, otherPort, otherScheme, otherHostName };
    const struct {
        Target target;
        Outcome expected;
        QByteArray moved; ///< the request line that reaches the new address, if one does
    } cases[] = {
        // A 307 carries the form along; a 303 asks for the answer with a GET and no body.
        {Target::samePath, succeeded, "POST /api/moved HTTP/1.1"},
        {Target::seeOther, succeeded, "GET /api/moved HTTP/1.1"},
        {Target::otherPort, failedWith(ApiError::Kind::redirectRefused), {}},
        {Target::otherScheme, failedWith(ApiError::Kind::redirectRefused), {}},
        // The same server by another name is another origin all the same.
        {Target::otherHostName, failedWith(ApiError::Kind::redirectRefused), {}},
    };
    for (const auto& [target, expected, moved] : cases) {
        SCOPED_TRACE(static_cast<int>(target));
        ScriptedServer server;
        ScriptedServer other;
        const QByteArray location =
            target == Target::otherPort ? (other.origin() + "/api/moved").toLatin1()
            : target == Target::otherScheme
                ? QStringLiteral("https://127.0.0.1:%1/api/moved").arg(server.port()).toLatin1()
            : target == Target::otherHostName
                ? QStringLiteral("http://localhost:%1/api/moved").arg(server.port()).toLatin1()
                : QByteArray("/api/moved");
        server.scripts["/api/sign-pdf-download"] = {
            (target == Target::seeOther ? "HTTP/1.1 303 See Other" : "HTTP/1.1 307 Temporary") +
                QByteArray("\r\nLocation: ") + location + "\r\nContent-Length: 0\r\n\r\n",
            {},
            -1};
        const Script signedCopy{head("Content-Length: 9\r\n", "%PDF-sig\n"), {}, -1};
        server.scripts["/api/moved"] = signedCopy;
        other.scripts["*"] = signedCopy;
        const auto client = clientOf(server);

        QByteArray body;
        EXPECT_EQ(run(*client, Call::upload, &body), expected);
        EXPECT_EQ(body, expected == succeeded ? QByteArray("%PDF-sig\n") : QByteArray());
        EXPECT_EQ(other.connections, 0);
        EXPECT_TRUE(expected == succeeded || server.connections == 1) << server.connections;
        if (!moved.isEmpty()) {
            ASSERT_EQ(server.received.size(), 2);
            EXPECT_TRUE(server.received[1].startsWith(moved)) << server.received[1].toStdString();
            EXPECT_EQ(server.received[1].contains("%PDF-1.7"), moved.startsWith("POST"));
            EXPECT_EQ(server.received[1].contains("Content-Type"), moved.startsWith("POST"));
        }
    }
}

} // namespace
