#include "api/ApiCall.h"

#include "api/StreamedExchange.h"

#include <QNetworkReply>

namespace orvela::api {

ApiCall::ApiCall(QObject* context) : QObject(context)
{
    m_sleep.setSingleShot(true);
    m_sleep.setTimerType(Qt::PreciseTimer);
}

ApiCall::~ApiCall()
{
    dropReply();
}

void ApiCall::cancel()
{
    if (m_cancelled || m_delivered) {
        return;
    }
    m_cancelled = true;
    m_sleep.stop();
    m_sleep.disconnect(this);
    dropReply();
    deleteLater();
}

void ApiCall::setReply(QNetworkReply* reply)
{
    dropReply();
    m_reply = reply;
}

void ApiCall::setExchange(StreamedExchange* exchange)
{
    dropReply();
    m_exchange = exchange;
}

void ApiCall::dropReply()
{
    if (m_exchange) {
        StreamedExchange* exchange = m_exchange;
        m_exchange = nullptr;
        exchange->abort(); // its callback never runs after this
        exchange->deleteLater();
    }
    if (m_reply) {
        QNetworkReply* reply = m_reply;
        m_reply = nullptr;
        // Nothing of ours may hear from it again, not even the finished() that abort() emits.
        QObject::disconnect(reply, nullptr, nullptr, nullptr);
        reply->abort();
        reply->deleteLater();
    }
}

void ApiCall::after(int ms, std::function<void()> step)
{
    m_sleep.disconnect(this);
    connect(&m_sleep, &QTimer::timeout, this, std::move(step));
    m_sleep.start(ms);
}

void ApiCall::deliver(std::function<void()> callback)
{
    if (m_finishing || m_cancelled) {
        return;
    }
    m_finishing = true;
    m_sleep.stop();
    QMetaObject::invokeMethod(
        this,
        [this, callback = std::move(callback)] {
            if (m_cancelled) {
                return;
            }
            m_delivered = true;
            const QPointer<ApiCall> self(this);
            callback();
            if (self) {
                self->deleteLater();
            }
        },
        Qt::QueuedConnection);
}

} // namespace orvela::api
