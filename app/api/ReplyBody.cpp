#include "api/ReplyBody.h"

#include <QNetworkReply>
#include <algorithm>
#include <utility>

namespace orvela::api {

namespace {

// Qt's http thread stops reading the socket once this much waits unread, so a server sending
// faster than the interface thread collects is held back by TCP instead of buffered.
constexpr qint64 kReadBufferSize = 256 * 1024;

/// Statuses whose replies carry no body whatever their Content-Length says.
bool hasNoBody(const QNetworkReply* reply)
{
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    return (status >= 100 && status < 200) || status == 204 || status == 304;
}

/// Whether `received` bytes are the whole body: as many as Content-Length announced, or a
/// framing that marks its own end (chunked, or an HTTP/2 stream), which Qt fails when cut.
/// A body ended only by the connection closing cannot tell a cut from an end, so it fails.
bool isComplete(const QNetworkReply* reply, qint64 received)
{
    if (hasNoBody(reply)) {
        return true;
    }
    const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
    if (announced.isValid()) {
        return received == announced.toLongLong();
    }
    return reply->rawHeader("Transfer-Encoding").toLower().contains("chunked") ||
           reply->attribute(QNetworkRequest::Http2WasUsedAttribute).toBool();
}

bool isDecimal(const QByteArray& text)
{
    return !text.isEmpty() &&
           std::all_of(text.cbegin(), text.cend(), [](char c) { return c >= '0' && c <= '9'; });
}

/// Two lengths (which Qt may also join into one "2000, 5000" value), a length beside an
/// encoding, or an encoding that is not plain chunked: framings two readers could end at
/// different bytes.
bool framingIsAmbiguous(const QNetworkReply* reply)
{
    QByteArrayList lengths;
    QByteArrayList encodings;
    for (const auto& [name, value] : reply->rawHeaderPairs()) {
        if (name.compare("Content-Length", Qt::CaseInsensitive) == 0) {
            lengths << value.trimmed();
        } else if (name.compare("Transfer-Encoding", Qt::CaseInsensitive) == 0) {
            encodings << value.trimmed();
        }
    }
    if (lengths.size() + encodings.size() > 1) {
        return true;
    }
    if (!lengths.isEmpty()) {
        return !isDecimal(lengths.first());
    }
    return !encodings.isEmpty() && encodings.first().compare("chunked", Qt::CaseInsensitive) != 0;
}

} // namespace

ReplyBody::ReplyBody(QNetworkReply* reply, qint64 limit)
    : QObject(reply), m_reply(reply), m_limit(limit)
{
    reply->setReadBufferSize(kReadBufferSize);
    connect(reply, &QNetworkReply::metaDataChanged, this, &ReplyBody::checkHeaders);
    connect(reply, &QNetworkReply::readyRead, this, &ReplyBody::collect);
}

void ReplyBody::attach(QNetworkReply* reply, qint64 limit)
{
    new ReplyBody(reply, limit);
}

bool ReplyBody::overLimit(const QNetworkReply* reply)
{
    const auto* collector = reply->findChild<ReplyBody*>(QString(), Qt::FindDirectChildrenOnly);
    return collector != nullptr && collector->m_overLimit;
}

bool ReplyBody::malformed(const QNetworkReply* reply)
{
    const auto* collector = reply->findChild<ReplyBody*>(QString(), Qt::FindDirectChildrenOnly);
    return collector != nullptr && collector->m_malformed;
}

void ReplyBody::checkHeaders()
{
    if (framingIsAmbiguous(m_reply)) {
        m_malformed = true;
        m_body = QByteArray();
        m_reply->abort();
        return;
    }
    const QVariant announced = m_reply->header(QNetworkRequest::ContentLengthHeader);
    if (!announced.isValid() || hasNoBody(m_reply)) {
        return;
    }
    const qint64 expected = announced.toLongLong();
    if (expected > m_limit) {
        refuse();
    } else if (m_body.isEmpty() && expected > 0) {
        m_body.reserve(expected);
    }
}

void ReplyBody::collect()
{
    if (m_overLimit || m_malformed) {
        return;
    }
    const qint64 available = m_reply->bytesAvailable();
    if (available <= 0) {
        return;
    }
    const qsizetype at = m_body.size();
    if (at + available > m_limit) {
        refuse();
        return;
    }
    if (m_body.capacity() < at + available) {
        // Without an announced length the size is known only at the end. Growing the buffer
        // step by step would copy it into ever larger ones and hold it twice while doing so;
        // room for the whole limit is set aside once instead, and pages never written cost
        // no memory.
        m_body.reserve(m_limit);
    }
    // Read straight into the body: no chunk-sized copy on the way.
    m_body.resize(at + available);
    const qint64 got = m_reply->read(m_body.data() + at, available);
    m_body.resize(at + std::max<qint64>(got, 0));
}

void ReplyBody::refuse()
{
    m_overLimit = true;
    m_body = QByteArray();
    m_reply->abort();
}

CallResult<QByteArray> ReplyBody::take(QNetworkReply* reply)
{
    auto* collector = reply->findChild<ReplyBody*>(QString(), Qt::FindDirectChildrenOnly);
    if (collector == nullptr) {
        return reply->readAll();
    }
    collector->collect();
    if (collector->m_overLimit) {
        return ApiError::replyTooLarge();
    }
    if (collector->m_malformed || framingIsAmbiguous(reply)) {
        return ApiError::malformedReply();
    }
    QByteArray body = std::exchange(collector->m_body, QByteArray());
    if (!isComplete(reply, body.size())) {
        return ApiError::incompleteReply();
    }
    body.squeeze(); // gives back the room set aside beyond the body, in place
    return body;
}

} // namespace orvela::api
