#pragma once

#include "api/CallResult.h"

#include <QByteArray>
#include <QObject>

class QNetworkReply;

namespace orvela::api {

/// Collects a reply's body as it arrives, into one buffer sized from Content-Length, and takes
/// in no more than the call's limit: a reply announcing more is aborted before its body is
/// read, one that grows past the limit is aborted the moment it does. The reply's read buffer
/// is bounded too and drained on every arrival, and the finished body is not copied once more
/// at the end. Qt's network thread may still read its socket ahead of the reply into a buffer
/// of its own, without bound; that matters only for a large reply, so the one large reply (the
/// signed copy) takes StreamedExchange instead. A reply whose length is stated twice, or both as a
/// Content-Length and a Transfer-Encoding, or by an encoding other than chunked, is refused
/// as malformed the moment its headers arrive: Qt would believe the first length it sees,
/// and a reply cut to it would look complete.
class ReplyBody : public QObject {
    Q_OBJECT
public:
    /// Starts collecting at most `limit` bytes; the collector is a child of the reply.
    static void attach(QNetworkReply* reply, qint64 limit);
    /// True when the reply was aborted for carrying more than its limit.
    static bool overLimit(const QNetworkReply* reply);
    /// True when the reply's headers frame its body ambiguously (see above).
    static bool malformed(const QNetworkReply* reply);
    /// The whole body of a finished reply, `malformedReply` when its framing is ambiguous, or
    /// `incompleteReply` when it cannot be shown whole:
    /// fewer bytes than its Content-Length announced (Qt may end such a reply without an
    /// error), or no framing but the connection's close.
    static CallResult<QByteArray> take(QNetworkReply* reply);

private:
    ReplyBody(QNetworkReply* reply, qint64 limit);
    void checkHeaders();
    void collect();
    void refuse();

    QNetworkReply* m_reply;
    qint64 m_limit;
    bool m_overLimit = false;
    bool m_malformed = false;
    QByteArray m_body;
};

} // namespace orvela::api
