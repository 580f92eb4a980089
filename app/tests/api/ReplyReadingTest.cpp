// How reply bytes become a body or an error, without a network: the body limit of a reply, the
// signed copy's HTTP reader and the excerpt of a backend's error text.

#include "CallOutcome.h"
#include "api/ErrorResponse.h"
#include "api/HttpResponseReader.h"
#include "api/ReplyBody.h"

#include <QNetworkReply>
#include <algorithm>
#include <gtest/gtest.h>
#include <optional>

using namespace orvela::api;
using namespace orvela::apitest;

namespace {

TEST(ErrorBodyRule, ExcerptIsTheFirst300BytesAndMustBeWholeUtf8)
{
    EXPECT_EQ(ErrorResponse::messageFor(QByteArray(301, 'x')), QString(300, u'x'));
    // "ө" is two bytes; 299 ASCII bytes plus it cuts the character in half at byte 300.
    EXPECT_EQ(ErrorResponse::messageFor(QByteArray(299, 'x') + "ө" + "tail"), "Unknown error");
    EXPECT_EQ(ErrorResponse::messageFor(QByteArray(298, 'x') + "ө" + "tail"),
              QString(298, u'x') + u'ө');
    EXPECT_EQ(ErrorResponse::messageFor("\xff\xfe"), "Unknown error");
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

// The body alone decides, whatever Qt made of the reply: whole or nothing, and refused by the
// read that would pass the limit, not the one after.
TEST(ReplyBodyTest, ABodyCountsOnlyWhenWholeAndWithinTheLimit)
{
    const QByteArray pdf = "%PDF-1.7\npartial";
    const struct {
        std::optional<qint64> announced;
        QByteArray data;
        Outcome expected;
    } cases[] = {
        {1000, pdf, failedWith(ApiError::Kind::incompleteReply)},
        {pdf.size(), pdf, succeeded},
        {std::nullopt, QByteArray(1024, 'x'), failedWith(ApiError::Kind::incompleteReply)},
        {std::nullopt, QByteArray(1025, 'x'), failedWith(ApiError::Kind::replyTooLarge)},
    };
    for (const auto& c : cases) {
        EndedReply reply(c.announced, c.data);
        ReplyBody::attach(&reply, 1024);
        reply.arrive();
        EXPECT_EQ(ReplyBody::overLimit(&reply), c.data.size() > 1024) << c.data.size();
        const auto body = ReplyBody::take(&reply);
        EXPECT_EQ(outcomeOf(body), c.expected) << c.data.size();
        EXPECT_EQ(body.ok() ? body.value() : c.data, c.data);
    }
}

// The signed copy's reader, fed whole and byte by byte: where the bytes break must never matter.
TEST(HttpResponseReaderTest, TakesOnlyWellFramedResponsesWithinTheirBounds)
{
    using Reader = HttpResponseReader;
    using F = Reader::Failure;
    const QByteArray ok = "HTTP/1.1 200 OK\r\n";
    const QByteArray manyFields = QByteArray("X-A: 1\r\n").repeated(Reader::kMaxFields + 1);
    const QByteArray longField = "X-A: " + QByteArray(Reader::kMaxHeadBytes, 'a') + "\r\n";
    const QByteArray longExtension(Reader::kMaxChunkLine, 'e');
    // clang-format off
    const struct {
        const char* name;
        QByteArray input;
        bool ended;        ///< the connection closed after the input
        F failure;         ///< none: the response is done
        int status;
        QByteArray body;
    } cases[] = {
        {"length", ok + "Content-Length: 4\r\n\r\nbody", false, F::none, 200, "body"},
        {"length, bytes after it ignored", ok + "content-length: 2\r\n\r\nbody", false, F::none,
         200, "bo"},
        {"chunks, extension and trailers", ok + "Transfer-Encoding: Chunked\r\n\r\n"
         "2;x=y\r\nbo\r\nA\r\ndy is here\r\n0\r\nX-Sum: 1\r\n\r\n", false, F::none, 200,
         "body is here"},
        {"interim answers skipped", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 102 P\r\n\r\n" + ok +
         "Content-Length: 1\r\n\r\nx", false, F::none, 200, "x"},
        {"HTTP/1.0, no reason", "HTTP/1.0 201\r\nContent-Length: 1\r\n\r\nx", false, F::none, 201,
         "x"},
        {"no body whatever the length", "HTTP/1.1 204 No\r\nContent-Length: 5\r\n\r\n", false,
         F::none, 204, ""},
        {"redirect ends with its head", "HTTP/1.1 307 T\r\nLocation: /x\r\nContent-Length: 9\r\n"
         "\r\n", false, F::none, 307, ""},
        {"error with its body", "HTTP/1.1 503 Down\r\nContent-Length: 4\r\n\r\ndown", false,
         F::none, 503, "down"},
        {"length at the limit", ok + "Content-Length: 16\r\n\r\n" + QByteArray(16, 'x'), false,
         F::none, 200, QByteArray(16, 'x')},
        {"length a byte over", ok + "Content-Length: 17\r\n\r\n", false, F::tooLarge, 200, ""},
        {"length of 30 digits", ok + "Content-Length: " + QByteArray(30, '9') + "\r\n\r\n", false,
         F::tooLarge, 200, ""},
        {"chunks a byte over", ok + "Transfer-Encoding: chunked\r\n\r\n10\r\n" +
         QByteArray(16, 'x') + "\r\n1\r\nx", false, F::tooLarge, 200, ""},
        {"unframed body a byte over", ok + "\r\n" + QByteArray(17, 'x'), false, F::tooLarge, 200,
         ""},
        {"two lengths", ok + "Content-Length: 1\r\nContent-Length: 1\r\n\r\nx", false,
         F::ambiguousFraming, 200, ""},
        {"length and chunked", ok + "Content-Length: 1\r\nTransfer-Encoding: chunked\r\n\r\n",
         false, F::ambiguousFraming, 200, ""},
        {"chunked twice", ok + "Transfer-Encoding: chunked\r\nTransfer-Encoding: chunked\r\n\r\n",
         false, F::ambiguousFraming, 200, ""},
        {"gzip", ok + "Transfer-Encoding: gzip, chunked\r\n\r\n", false, F::ambiguousFraming, 200,
         ""},
        {"signed length", ok + "Content-Length: +1\r\n\r\nx", false, F::ambiguousFraming, 200, ""},
        {"chunked in HTTP/1.0", "HTTP/1.0 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n", false,
         F::ambiguousFraming, 200, ""},
        {"not HTTP", "ICY 200 OK\r\n\r\n", false, F::notHttp, 0, ""},
        {"HTTP/2 text", "HTTP/2 200 OK\r\n\r\n", false, F::notHttp, 0, ""},
        {"status out of range", "HTTP/1.1 600 X\r\n\r\n", false, F::notHttp, 0, ""},
        {"protocol switch", "HTTP/1.1 101 Switching\r\n\r\n", false, F::notHttp, 0, ""},
        {"bare line feed", "HTTP/1.1 200 OK\nContent-Length: 0\n\n", false, F::notHttp, 0, ""},
        {"carriage return inside a field", ok + "X-A: 1\rContent-Length: 0\r\n\r\n", false,
         F::notHttp, 0, ""},
        {"blank before the colon", ok + "Content-Length : 1\r\n\r\nx", false, F::notHttp, 0, ""},
        {"folded field", ok + "X-A: 1\r\n 2\r\n\r\n", false, F::notHttp, 0, ""},
        {"too many fields", ok + manyFields + "\r\n", false, F::notHttp, 0, ""},
        {"head too long", ok + longField + "\r\n", false, F::notHttp, 0, ""},
        {"interim answers without end", QByteArray("HTTP/1.1 100 C\r\n\r\n").repeated(4000),
         false, F::notHttp, 0, ""},
        {"chunk size not hex", ok + "Transfer-Encoding: chunked\r\n\r\nx\r\n", false, F::notHttp,
         200, ""},
        {"chunk line too long", ok + "Transfer-Encoding: chunked\r\n\r\n1;" + longExtension,
         false, F::notHttp, 200, ""},
        {"chunk without its line end", ok + "Transfer-Encoding: chunked\r\n\r\n1\r\nxy\r\n",
         false, F::notHttp, 200, ""},
        {"trailers without end", ok + "Transfer-Encoding: chunked\r\n\r\n0\r\n" + manyFields,
         false, F::notHttp, 200, ""},
        {"closed within the length", ok + "Content-Length: 5\r\n\r\nbod", true, F::incomplete, 200,
         ""},
        {"closed before the last chunk", ok + "Transfer-Encoding: chunked\r\n\r\n1\r\nx\r\n",
         true, F::incomplete, 200, ""},
        {"ended only by the close", ok + "\r\nbody", true, F::incomplete, 200, ""},
        {"closed within the head", ok + "Content-Le", true, F::incomplete, 0, ""},
    };
    // clang-format on
    for (const auto& c : cases) {
        for (const bool byteByByte : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (byteByByte ? ", byte by byte" : ""));
            Reader reader(16);
            if (byteByByte) {
                for (const char byte : c.input) {
                    reader.feed(QByteArrayView(&byte, 1));
                }
            } else {
                reader.feed(c.input);
            }
            if (c.ended) {
                reader.end();
            }
            EXPECT_EQ(reader.failure(), c.failure);
            EXPECT_EQ(reader.state(),
                      c.failure == F::none ? Reader::State::done : Reader::State::failed);
            EXPECT_EQ(reader.headRead() ? reader.status() : 0, c.status);
            EXPECT_EQ(reader.takeBody(), c.body);
        }
    }
}

} // namespace
