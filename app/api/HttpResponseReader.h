#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QPair>

namespace orvela::api {

/// Reads one HTTP/1.x response from its bytes as they arrive, and holds no more of it than the
/// caller allows: a bounded head (status line and fields), then a body framed by exactly one
/// decimal Content-Length or by "Transfer-Encoding: chunked" alone, refused the moment it would
/// pass its limit. Any other framing is ambiguous, since two readers could end the body at
/// different bytes; a body without framing ends only with the connection, where a cut cannot be
/// told from an end, so it is never complete. Interim (1xx) answers are skipped; a redirect ends
/// with its head, since its body means nothing to a client that follows or refuses it.
/// Knows no socket: it is fed bytes, which keeps it testable and fuzzable.
class HttpResponseReader {
public:
    enum class State { reading, done, failed };
    enum class Failure {
        none,
        /// Not an HTTP/1.x response, or one past the bounds of its head or chunk lines.
        notHttp,
        /// Two lengths, a length beside an encoding, or an encoding other than chunked.
        ambiguousFraming,
        /// The body announced or grew past the limit.
        tooLarge,
        /// The input ended before the response did.
        incomplete
    };

    /// Bytes the head may take in all (interim answers included), and so may the trailers.
    static constexpr qsizetype kMaxHeadBytes = 64 * 1024;
    /// Fields the head may hold, and so may the trailers.
    static constexpr int kMaxFields = 100;
    /// Bytes a chunk-size line may take, extensions included.
    static constexpr qsizetype kMaxChunkLine = 1024;

    explicit HttpResponseReader(qint64 bodyLimit);

    /// Takes the next bytes of the connection; ignored once done or failed.
    void feed(QByteArrayView bytes);
    /// The connection ended: a response not yet done is incomplete.
    void end();

    State state() const { return m_state; }
    Failure failure() const { return m_failure; }
    /// True once the final answer's head has been read.
    bool headRead() const { return m_headRead; }
    int status() const { return m_status; }
    /// The first field named `name` (in any case), blanks trimmed; empty when there is none.
    QByteArray field(QByteArrayView name) const;
    /// Body bytes taken in so far.
    qint64 bodyBytes() const { return m_body.size(); }
    /// The whole body of a response that is done.
    QByteArray takeBody();

    /// Statuses a client follows to another address.
    static bool isRedirect(int status);

private:
    enum class Step {
        statusLine,
        field,
        lengthBody,
        untilClose,
        chunkSize,
        chunkData,
        chunkEnd,
        trailer
    };

    qsizetype takeLine(QByteArrayView bytes);
    qsizetype takeBody(QByteArrayView bytes);
    qsizetype lineRoom() const;
    void line(const QByteArray& text);
    void statusLine(const QByteArray& text);
    bool addField(const QByteArray& text, QList<QPair<QByteArray, QByteArray>>* into);
    void headEnded();
    void chunkSize(const QByteArray& text);
    void append(QByteArrayView bytes);
    void fail(Failure why);
    void finish();

    qint64 m_limit;
    State m_state = State::reading;
    Failure m_failure = Failure::none;
    Step m_step = Step::statusLine;
    QByteArray m_line;
    qsizetype m_headLeft = kMaxHeadBytes;
    qsizetype m_trailerLeft = kMaxHeadBytes;
    int m_trailerFields = 0;
    int m_minorVersion = 1;
    int m_status = 0;
    bool m_headRead = false;
    QList<QPair<QByteArray, QByteArray>> m_fields;
    qint64 m_left = 0; ///< bytes still due of the length-framed body or of the current chunk
    QByteArray m_body;
};

} // namespace orvela::api
