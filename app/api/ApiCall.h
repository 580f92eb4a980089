#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>

class QNetworkReply;

namespace orvela::api {

class APIClient;
class StreamedExchange;

/// A running backend call. It is a child of the context object its caller gave, so it ends
/// with that object; `cancel` ends it earlier. Either way the in-flight exchange is aborted,
/// its timers stop and its callback never runs.
class ApiCall : public QObject {
    Q_OBJECT
public:
    explicit ApiCall(QObject* context);
    ~ApiCall() override;

    /// Ends the call silently.
    void cancel();
    /// True once the callback has run or the call was cancelled.
    bool isDone() const { return m_finishing || m_cancelled; }

private:
    friend class APIClient;

    /// The exchange now in flight; the previous one, if any, is dropped.
    void setReply(QNetworkReply* reply);
    void setExchange(StreamedExchange* exchange);
    void dropReply();
    /// Runs `step` once after `ms` milliseconds on a precise (monotonic) timer.
    void after(int ms, std::function<void()> step);
    /// Hands the result to the caller from a fresh turn of the event loop, then ends the call.
    void deliver(std::function<void()> callback);

    QPointer<QNetworkReply> m_reply;
    QPointer<StreamedExchange> m_exchange;
    QTimer m_sleep;
    bool m_finishing = false; ///< the result is on its way to the callback
    bool m_delivered = false; ///< the callback has started
    bool m_cancelled = false;
};

} // namespace orvela::api
