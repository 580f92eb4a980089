#include "api/ReplyBody.h"

#include <QNetworkReply>

#include <utility>

namespace orvela::api {

namespace {
// A server's Content-Length is a hint, never a promise worth reserving gigabytes for.
constexpr qint64 kMaxReservation = 64 * 1024 * 1024;
} // namespace

ReplyBody::ReplyBody(QNetworkReply* reply) : QObject(reply), m_reply(reply)
{
    connect(reply, &QNetworkReply::readyRead, this, &ReplyBody::collect);
}

void ReplyBody::attach(QNetworkReply* reply)
{
    new ReplyBody(reply);
}

void ReplyBody::collect()
{
    if (m_body.isEmpty()) {
        const qint64 expected =
            m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
        if (expected > 0 && expected <= kMaxReservation) {
            m_body.reserve(expected);
        }
    }
    m_body.append(m_reply->readAll());
}

QByteArray ReplyBody::take(QNetworkReply* reply)
{
    auto* collector = reply->findChild<ReplyBody*>(QString(), Qt::FindDirectChildrenOnly);
    if (collector == nullptr) {
        return reply->readAll();
    }
    collector->collect();
    return std::exchange(collector->m_body, QByteArray());
}

} // namespace orvela::api
