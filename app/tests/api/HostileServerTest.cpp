// The client against a server that misbehaves on the wire: bodies cut short, bodies without
// end, redirects elsewhere. A raw socket server scripts the reply bytes exactly, which the
// simulator's HTTP stack would never produce.

#include "TestSupport.h"
#include "api/ReplyBody.h"
#include "api/StatusResponse.h"

#include <QMap>
#include <QPointer>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <functional>

using namespace orvela;
using namespace orvela::api;
using orvela::apitest::ApiFixture;
using orvela::apitest::waitUntil;

namespace {

constexpr qint64 MiB = 1024 * 1024;

/// One scripted answer: `head` is written as soon as the request is complete; then `endless`
/// is written again and again while the client keeps reading, or the server closes after
/// `closeAfterMs` (negative: never).
struct Script {
    QByteArray head;
    QByteArray endless;
    int closeAfterMs = 0;
};

/// An HTTP server on 127.0.0.1 that answers each request path with its script.
class ScriptedServer : public QObject {
public:
    ScriptedServer()
    {
        EXPECT_TRUE(m_server.listen(QHostAddress::LocalHost, 0));
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                ++connections;
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
                connect(socket, &QTcpSocket::disconnected, this, [this] { clientClosed = true; });
            }
        });
    }

    QString origin() const { return QStringLiteral("http://127.0.0.1:%1").arg(port()); }
    quint16 port() const { return m_server.serverPort(); }

    QMap<QByteArray, Script> scripts;
    int connections = 0;
    bool clientClosed = false;
    qint64 written = 0;

private:
    // Enough to show a client that never stops reading, and little enough to stay harmless.
    static constexpr qint64 kWriteCeiling = 160 * MiB;

    void serve(QTcpSocket* socket)
    {
        QByteArray& request = m_requests[socket];
        request += socket->readAll();
        const qsizetype headEnd = request.indexOf("\r\n\r\n");
        if (headEnd < 0) {
            return;
        }
        static const QRegularExpression length(R"(\r\ncontent-length:\s*(\d+))",
                                               QRegularExpression::CaseInsensitiveOption);
        const auto match = length.match(QString::fromLatin1(request.left(headEnd)));
        const qint64 bodySize = match.hasMatch() ? match.captured(1).toLongLong() : 0;
        if (request.size() < headEnd + 4 + bodySize) {
            return;
        }
        const QByteArray path = request.split(' ').value(1);
        m_requests.remove(socket);
        answer(socket, scripts.value(path, scripts.value("*")));
    }

    void answer(QTcpSocket* socket, const Script& script)
    {
        written += socket->write(script.head);
        if (!script.endless.isEmpty()) {
            auto feed = [this, socket, chunk = script.endless] {
                while (socket->bytesToWrite() < 4 * chunk.size() && written < kWriteCeiling) {
                    written += socket->write(chunk);
                }
            };
            connect(socket, &QTcpSocket::bytesWritten, this, feed);
            feed();
        } else if (script.closeAfterMs >= 0) {
            const QPointer<QTcpSocket> alive(socket);
            QTimer::singleShot(script.closeAfterMs, this, [alive] {
                if (alive) {
                    alive->disconnectFromHost();
                }
            });
        }
    }

    QTcpServer m_server;
    QMap<QTcpSocket*, QByteArray> m_requests;
};

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

/// What a call came back with: "ok", "transport" (Qt's own error, or a health probe's plain
/// false), or the client error's kind.
using Outcome = QString;
const Outcome succeeded = QStringLiteral("ok");
const Outcome failedInTransport = QStringLiteral("transport");
Outcome failedWith(APIError::Kind kind)
{
    return QStringLiteral("kind %1").arg(static_cast<int>(kind));
}

template <class T> Outcome outcomeOf(const CallResult<T>& result)
{
    const APIError* error = result.apiError();
    return result.ok() ? succeeded : error ? failedWith(error->kind()) : failedInTransport;
}

class HostileServerTest : public ApiFixture {
protected:
    std::unique_ptr<APIClient> clientOf(const ScriptedServer& server)
    {
        APIClientOptions options;
        options.fixedBaseUrl = server.origin();
        // A client that waited for a body it should have refused gives up soon.
        options.timeouts.requestIdleMs = options.timeouts.healthIdleMs = 3000;
        return makeClient(options);
    }

    Outcome run(APIClient& client, Call call, QByteArray* body = nullptr)
    {
        std::optional<Outcome> outcome;
        if (call == Call::health) {
            client.healthCheck(&m_context, [&](bool healthy) {
                outcome = healthy ? succeeded : failedInTransport;
            });
        } else if (call == Call::json) {
            client.send<StatusResponse>(
                Endpoint::status("s-1", "token"), &m_context,
                [&](CallResult<StatusResponse> r) { outcome = outcomeOf(r); });
        } else {
            client.upload("/api/sign-pdf-download", {{"sessionId", "s-1"}}, "file", "a.pdf",
                          "application/pdf", "%PDF-1.7\n%%EOF\n", &m_context,
                          [&](CallResult<QByteArray> r) {
                              outcome = outcomeOf(r);
                              if (r.ok() && body != nullptr) {
                                  *body = r.value();
                              }
                          });
        }
        EXPECT_TRUE(waitUntil([&] { return outcome.has_value(); }));
        return outcome.value_or(QStringLiteral("no answer"));
    }
};

struct BodyCase {
    const char* name;
    Call call;
    Script script;
    QStringList expected; ///< any of these
    /// The client must have hung up on a server that would never stop sending.
    bool clientHangsUp = false;
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
    const QStringList tooLarge{failedWith(APIError::Kind::replyTooLarge)};
    // Qt reports a body cut short either as a closed connection or, when the close races the
    // last read, as no error at all; the second is pinned down with a reply of its own below.
    const QStringList cutShort{failedInTransport, failedWith(APIError::Kind::incompleteReply)};
    const QStringList unhealthy{failedInTransport};
    // clang-format off
    const BodyCase cases[] = {
        {"signed copy short of its length, closed at once", Call::upload,
         {head("Content-Length: 100000\r\n", partialPdf), {}, 0}, cutShort},
        {"signed copy short of its length, closed after a pause", Call::upload,
         {head("Content-Length: 100000\r\n", partialPdf), {}, 500}, cutShort},
        {"JSON short of its length", Call::json,
         {head("Content-Length: 100\r\n", completeJson), {}, 0}, cutShort},
        {"JSON ended only by the connection closing", Call::json,
         {head("Connection: close\r\n", completeJson), {}, 0},
         {failedWith(APIError::Kind::incompleteReply)}},
        {"server error ended only by the connection closing", Call::json,
         {"HTTP/1.1 503 Unavailable\r\nConnection: close\r\n\r\ndown", {}, 0},
         {failedWith(APIError::Kind::server)}},
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
        {"signed copy without end", Call::upload, {head(chunked), chunk(filler)}, tooLarge, true},
    };
    // clang-format on
    for (const BodyCase& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server;
        server.scripts["*"] = c.script;
        const auto client = clientOf(server);
        QByteArray body;
        const Outcome outcome = run(*client, c.call, &body);
        EXPECT_TRUE(c.expected.contains(outcome)) << outcome.toStdString();
        EXPECT_TRUE(body.isEmpty());
        if (c.clientHangsUp) {
            EXPECT_TRUE(waitUntil([&] { return server.clientClosed; }));
        }
    }
}

/// A reply that delivers `data` at once, announced or not; Qt may end such a reply without an
/// error whatever its Content-Length said.
class EndedReply : public QNetworkReply {
public:
    EndedReply(std::optional<qint64> announced, QByteArray data) : m_data(std::move(data))
    {
        if (announced) {
            setHeader(QNetworkRequest::ContentLengthHeader, *announced);
        }
        setAttribute(QNetworkRequest::HttpStatusCodeAttribute, 200);
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    void arrive()
    {
        emit metaDataChanged();
        emit readyRead();
    }
    void deliver()
    {
        arrive();
        setFinished(true);
        emit finished();
    }
    void abort() override {}
    qint64 bytesAvailable() const override { return m_data.size(); }

protected:
    qint64 readData(char* out, qint64 max) override
    {
        const qint64 n = std::min<qint64>(max, m_data.size());
        std::copy_n(m_data.constData(), n, out);
        m_data.remove(0, n);
        return n;
    }

private:
    QByteArray m_data;
};

TEST(ReplyBodyTest, ABodyShortOfItsAnnouncedLengthIsNotTaken)
{
    EndedReply cut(100000, "%PDF-1.7\npartial");
    ReplyBody::attach(&cut, 1024 * 1024);
    cut.deliver();
    const auto body = ReplyBody::take(&cut);
    ASSERT_NE(body.apiError(), nullptr);
    EXPECT_EQ(body.apiError()->kind(), APIError::Kind::incompleteReply);

    EndedReply whole(16, "%PDF-1.7\npartial");
    ReplyBody::attach(&whole, 1024 * 1024);
    whole.deliver();
    const auto complete = ReplyBody::take(&whole);
    ASSERT_TRUE(complete.ok());
    EXPECT_EQ(complete.value(), "%PDF-1.7\npartial");
}

TEST(ReplyBodyTest, AnUnannouncedBodyIsCutOffByTheReadThatWouldPassTheLimit)
{
    for (const qint64 size : {1024, 1025}) {
        EndedReply reply(std::nullopt, QByteArray(size, 'x'));
        ReplyBody::attach(&reply, 1024);
        reply.arrive();
        EXPECT_EQ(ReplyBody::overLimit(&reply), size > 1024) << size;
    }
}

TEST_F(HostileServerTest, RedirectsStayOnTheConfiguredOrigin)
{
    enum class Target { samePath, otherPort, otherScheme };
    const std::pair<Target, Outcome> cases[] = {
        {Target::samePath, succeeded},
        {Target::otherPort, failedWith(APIError::Kind::redirectRefused)},
        {Target::otherScheme, failedWith(APIError::Kind::redirectRefused)},
    };
    for (const auto& [target, expected] : cases) {
        SCOPED_TRACE(static_cast<int>(target));
        ScriptedServer server;
        ScriptedServer other;
        const QByteArray location =
            target == Target::otherPort ? (other.origin() + "/api/moved").toLatin1()
            : target == Target::otherScheme
                ? QStringLiteral("https://127.0.0.1:%1/api/moved").arg(server.port()).toLatin1()
                : QByteArray("/api/moved");
        server.scripts["/api/sign-pdf-download"] = {
            "HTTP/1.1 307 Temporary Redirect\r\nLocation: " + location +
                "\r\nContent-Length: 0\r\n\r\n",
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
    }
}

} // namespace
