#pragma once

#include "api/ApiCall.h"
#include "api/BackendProbe.h"
#include "api/CallResult.h"
#include "api/Endpoint.h"
#include "api/PinnedSessionDelegate.h"
#include "api/StatusResponse.h"
#include "common/LogCategories.h"

#include <QList>
#include <QMap>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QSslCertificate>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QSettings;

namespace orvela::api {

/// Time limits of the client, in milliseconds.
///
/// How they map onto Qt 6.4: `requestIdleMs` and `healthIdleMs` become
/// QNetworkRequest::setTransferTimeout, which Qt restarts whenever body bytes move either way,
/// so it is an idle limit like the request's own timeout it stands for (headers that never
/// end move nothing); `exchangeMs` is a timer per exchange that aborts the reply when the
/// whole exchange (connect, send, receive) takes longer. The request's 60 s idle value wins
/// over the 30 s session idle value, since a request's own timeout is the more specific
/// setting; Qt has one idle limit per request, not two. The signed copy's exchange, which runs
/// on a connection of the client's own (StreamedExchange), keeps both limits the same way.
struct ApiTimeouts {
    int requestIdleMs = 60'000;
    int healthIdleMs = 5'000;
    int exchangeMs = 180'000;
};

/// The largest reply body each kind of call takes in, in bytes. A reply announcing more is
/// refused before its body is read; one that grows past the limit is cut off as it arrives.
struct ReplyLimits {
    /// Start, notify, status and error replies: a few KiB in practice.
    qint64 jsonBytes = 1024 * 1024;
    /// The health probe reads no body at all; this only ends one that never stops.
    qint64 healthBytes = 64 * 1024;
    /// The signed copy: the signing page sends documents of at most 25 MiB, and signing adds
    /// a signature and perhaps a revision, so twice that plus 1 MiB is room enough.
    qint64 uploadBytes = 2 * 25 * 1024 * 1024 + 1024 * 1024;
};

/// The bounds of one `fetch`: the most its body may hold and its two time limits.
struct FetchRules {
    qint64 maxBytes = 0;
    int idleMs = 20'000;
    int exchangeMs = 60'000;
    /// The Accept header.
    QByteArray accept;
};

/// What a client is built from; the shared client uses the defaults.
struct APIClientOptions {
    /// Where "API_BASE_URL_OVERRIDE" and "security.tlsPinning" are read; null: the
    /// application's settings. Not owned.
    QSettings* settings = nullptr;
    /// Pins added to the built-in ones.
    QStringList extraPins;
    /// Trust anchors for chain verification; empty: the system's store.
    QList<QSslCertificate> caCertificates;
    ApiTimeouts timeouts;
    ReplyLimits limits;
    /// A base URL chosen for this client alone (the command line's --api-url); it wins over
    /// the settings and the environment and is normalised like them.
    QString fixedBaseUrl;
};

/// The one HTTPS client of the backend. Everything runs on the interface thread without
/// blocking it: every operation returns at once with an ApiCall handle, which is a child of the
/// given context object, and later calls back on that thread unless the context died or the
/// call was cancelled. Calls are independent and may overlap. No cookies, no caches, no tokens.
class APIClient : public QObject {
    Q_OBJECT
public:
    explicit APIClient(APIClientOptions options, QObject* parent = nullptr);
    ~APIClient() override;

    /// The process-wide client, made on first use and parented to the application object.
    static APIClient& shared();

    /// The base URL for the next request: the settings override, else API_BASE_URL, else the
    /// built-in production origin; the first two trimmed of blanks and trailing slashes.
    QString baseURL() const;

    /// Sends a JSON endpoint and decodes its reply as `Response` (StartResponse,
    /// LoginNotifyResponse, SignPdfStartResponse or StatusResponse).
    template <class Response>
    ApiCall* send(const Endpoint& endpoint, QObject* context,
                  std::function<void(CallResult<Response>)> done);

    /// Polls the status endpoint every 0.4 s until "state" is "COMPLETE", a non-empty "error"
    /// arrives, a call fails, or `limit` has passed on the monotonic clock.
    ApiCall* pollStatus(const QString& sessionId, const QString& pollToken,
                        std::chrono::milliseconds limit, QObject* context,
                        std::function<void(CallResult<StatusResponse>)> done);

    /// Posts a multipart form (text fields, then one file) and returns the reply body unchanged.
    /// The exchange runs on a connection of its own (StreamedExchange) so that what the reply
    /// costs in memory follows its limit, not how fast or how long the server sends.
    ApiCall* upload(const QString& path, const QMap<QString, QString>& fields,
                    const QString& fileFieldName, const QString& fileName, const QString& mediaType,
                    const QByteArray& file, QObject* context,
                    std::function<void(CallResult<QByteArray>)> done);

    /// True exactly when GET /api/health answers 2xx; never fails otherwise.
    ApiCall* healthCheck(QObject* context, std::function<void(bool)> done);

    /// GET /api/health as healthCheck does, reporting what a diagnostics report shows of the
    /// connection: the status, TLS and pinning, the round trip and the server's clock.
    /// `exchangeMs` bounds the whole exchange.
    ApiCall* probe(int exchangeMs, QObject* context, std::function<void(BackendProbe)> done);

    /// GETs a document from an address of its own rather than the backend's (the update feed)
    /// on the road every backend call takes: the body whole or nothing, refused the moment it
    /// passes `rules.maxBytes`, both time limits, redirects only within the address's origin
    /// and no cookies. The backend's pins are not applied: that server is not the backend.
    /// Anything but an absolute HTTP(S) address fails with `invalidResponse` unsent.
    ApiCall* fetch(const QUrl& url, const FetchRules& rules, QObject* context,
                   std::function<void(CallResult<QByteArray>)> done);

    const PinnedSessionDelegate& pinning() const { return m_pinning; }

    /// Refuses an http:// URL while pinning is on; logs a warning for one elsewhere than on
    /// this computer. Every call checks its address so.
    std::optional<ApiError> refusePlainHttp(const QUrl& url) const;

private:
    /// The body of a reply below 400, or why there is none.
    using RawDone = std::function<void(CallResult<QByteArray>)>;
    using HandleCallback = std::function<void(QNetworkReply*)>;

    ApiCall* newCall(QObject* context);
    void sendRaw(ApiCall* call, const Endpoint& endpoint, RawDone done);
    void pollOnce(ApiCall* call, const QString& sessionId, const QString& pollToken,
                  std::chrono::steady_clock::time_point deadline,
                  std::function<void(CallResult<StatusResponse>)> done);
    /// Starts an exchange under the pin check, both time limits, the body limit `replyLimit`
    /// and the same-origin rule for redirects; `finished` runs once. `exchangeMs` 0 means the
    /// client's own whole-exchange limit; `backendOrigin` false leaves the pins out.
    QNetworkReply* start(ApiCall* call, QNetworkRequest request, const QByteArray& verb,
                         QIODevice* body, qint64 replyLimit, HandleCallback finished,
                         int exchangeMs = 0, bool backendOrigin = true);
    /// Reply → body, `server` error, `invalidResponse`, a refusal or the transport error.
    CallResult<QByteArray> readReply(QNetworkReply* reply, const QString& path) const;
    QNetworkRequest jsonRequest(const QUrl& url) const;
    bool readPinningSetting() const;
    static void logDecodeFailure(const QString& why);

    APIClientOptions m_options;
    std::unique_ptr<QSettings> m_ownSettings;
    PinnedSessionDelegate m_pinning;
    QNetworkAccessManager* m_network;
    bool m_connectionsPinned = false;
    QList<QPointer<ApiCall>> m_calls;
};

template <class Response>
ApiCall* APIClient::send(const Endpoint& endpoint, QObject* context,
                         std::function<void(CallResult<Response>)> done)
{
    ApiCall* call = newCall(context);
    sendRaw(call, endpoint, [call, done = std::move(done)](CallResult<QByteArray> raw) {
        if (!raw.ok()) {
            call->deliver([done, error = raw.error()] { done(error); });
            return;
        }
        QString why;
        auto decoded = Response::decode(raw.value(), &why);
        if (!decoded) {
            logDecodeFailure(why);
            call->deliver([done] { done(ApiError::invalidResponse()); });
            return;
        }
        call->deliver([done, value = std::move(*decoded)] { done(value); });
    });
    return call;
}

} // namespace orvela::api
