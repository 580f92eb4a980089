#pragma once

#include "RecordedRequest.h"
#include "SimOutcome.h"
#include "SimSigner.h"

#include <QAbstractHttpServer>
#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QSslCertificate>
#include <QSslKey>
#include <deque>
#include <memory>

class QTcpSocket;

namespace orvela::backendsim {

/// The backend, simulated on a loopback port over HTTP or HTTPS: the session endpoints, a phone
/// that approves after a delay with a scripted outcome, the signing upload, the health probe,
/// fault injection, and a record of every request received.
class BackendSim : public QAbstractHttpServer {
    Q_OBJECT
public:
    explicit BackendSim(QObject* parent = nullptr);
    ~BackendSim() override;

    /// Keeps the signing authorities in `directory` (made there the first time), so that a
    /// client trusting them once keeps trusting copies signed by later runs. False, and the
    /// authorities unchanged, when the directory cannot be used.
    bool useStateDirectory(const QString& directory);
    /// The PEM certificate of the authority behind every signed copy.
    QByteArray authorityPem() const { return m_signer->authorityPem(); }

    /// Serves HTTPS with this certificate chain (leaf first) and key; call before `start`.
    void useTls(const QList<QSslCertificate>& chain, const QSslKey& key);
    /// Listens on the address; port 0 picks a free one. Returns the port, 0 on failure.
    quint16 start(const QHostAddress& address = QHostAddress::LocalHost, quint16 port = 0);
    quint16 port() const { return m_port; }
    /// "http://127.0.0.1:PORT" or "https://…".
    QString baseUrl() const;

    /// How long the phone takes to answer when an outcome does not say.
    void setApproveAfterMs(int ms) { m_approveAfterMs = ms; }
    /// The outcome of sessions nobody scripted.
    void setDefaultOutcome(const SimOutcome& outcome) { m_defaultOutcome = outcome; }
    /// The outcome of the next session started; queued in order.
    void scriptNextOutcome(const SimOutcome& outcome) { m_scripted.push_back(outcome); }
    /// The next `count` requests to `path` (any path when empty) get the fault instead.
    void injectFault(SimFault fault, const QString& path = {}, int count = 1, int delayMs = 0);
    /// The next `count` requests to `path` get exactly this reply.
    void injectResponse(const QString& path, int status, const QByteArray& contentType,
                        const QByteArray& body, int count = 1);
    /// Moves the clock of every reply's Date header by `seconds` (a server whose clock is off).
    void setClockSkewSeconds(qint64 seconds) { m_clockSkewSeconds = seconds; }
    /// Headers added to every reply, for example a Set-Cookie.
    void addResponseHeader(const QByteArray& name, const QByteArray& value);

    const QList<RecordedRequest>& requests() const { return m_requests; }
    /// The requests received for one path.
    QList<RecordedRequest> requestsTo(const QString& path) const;
    void clearRequests() { m_requests.clear(); }

signals:
    void requestReceived(const orvela::backendsim::RecordedRequest& request);

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    struct Session {
        QString kind;
        QString pollToken;
        QString vc;
        QString registerNumber;
        QByteArray digest;
        SimOutcome outcome;
        QElapsedTimer started;
    };
    struct Reply {
        int status = 200;
        QByteArray contentType = "application/json";
        QByteArray body;
    };
    struct Fault {
        SimFault fault;
        QString path;
        int remaining;
        int delayMs;
        std::optional<Reply> reply; ///< a scripted reply instead of the fault
    };

    Reply route(const RecordedRequest& request);
    Reply startSession(const QString& kind, const QString& registerNumber,
                       const QByteArray& digest);
    Reply status(const RecordedRequest& request);
    Reply signPdfDownload(const RecordedRequest& request);
    std::optional<Fault> takeFault(const QString& path);
    void respond(QTcpSocket* socket, const Reply& reply);
    SimOutcome nextOutcome();
    bool approved(const Session& session) const;

    std::unique_ptr<SimSigner> m_signer;
    QList<QSslCertificate> m_chain;
    QSslKey m_key;
    quint16 m_port = 0;
    int m_approveAfterMs = 3000;
    qint64 m_clockSkewSeconds = 0;
    SimOutcome m_defaultOutcome;
    std::deque<SimOutcome> m_scripted;
    QList<Fault> m_faults;
    QList<QPair<QByteArray, QByteArray>> m_extraHeaders;
    QHash<QString, Session> m_sessions;
    QList<RecordedRequest> m_requests;
};

} // namespace orvela::backendsim
