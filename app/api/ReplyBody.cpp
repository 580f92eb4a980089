#include "api/ReplyBody.h"

#include <QNetworkReply>

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

} // namespace

ReplyBody::ReplyBody(QNetworkReply* reply, qint64 limit)
    : QObject(reply), m_reply(reply), m_limit(limit)
{
    reply->setReadBufferSize(kReadBufferSize);
    connect(reply, &QNetworkReply::metaDataChanged, this, &ReplyBody::checkAnnouncedLength);
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

void ReplyBody::checkAnnouncedLength()
{
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
    if (m_overLimit) {
        return;
    }
    if (m_body.size() + m_reply->bytesAvailable() > m_limit) {
        refuse();
        return;
    }
    m_body.append(m_reply->readAll());
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
        return APIError::replyTooLarge();
    }
    QByteArray body = std::exchange(collector->m_body, QByteArray());
    if (!isComplete(reply, body.size())) {
        return APIError::incompleteReply();
    }
    return body;
}

} // namespace orvela::api
