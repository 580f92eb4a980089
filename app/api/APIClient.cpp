#include "api/APIClient.h"

#include "api/ErrorResponse.h"
#include "api/MultipartBody.h"
#include "api/ReplyBody.h"
#include "api/StreamedExchange.h"
#include "common/SettingsKeys.h"
#include "common/TextRules.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QMetaEnum>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QSettings>
#include <QSslConfiguration>
#include <QUrl>
#include <QUuid>
#include <algorithm>
#include <optional>

#ifndef ORVELA_PRODUCTION_API_URL
#error "ORVELA_PRODUCTION_API_URL must name the production backend origin"
#endif

namespace orvela::api {

using common::trimBlanks;

namespace {

const QByteArray userAgent = QByteArrayLiteral("Orvela-Desktop/1.0");

/// A jar that neither keeps nor hands out cookies: the backend session lives in poll tokens.
class NoCookieJar : public QNetworkCookieJar {
public:
    using QNetworkCookieJar::QNetworkCookieJar;
    QList<QNetworkCookie> cookiesForUrl(const QUrl&) const override { return {}; }
    bool setCookiesFromUrl(const QList<QNetworkCookie>&, const QUrl&) override { return false; }
};

QString normalised(const QString& base)
{
    QString text = trimBlanks(base);
    while (text.endsWith(u'/')) {
        text.chop(1);
    }
    return text;
}

/// Parses base URL + path; an unusable text gives an invalid URL.
QUrl parseUrl(const QString& text)
{
    QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty()) {
        return {};
    }
    return url;
}

/// Every character outside the unreserved set percent-encoded, "+" included, so that a
/// Base64 token arrives intact at servers that read "+" as a space.
QString encodedQuery(const QList<QPair<QString, QString>>& items)
{
    QStringList pairs;
    for (const auto& [name, value] : items) {
        pairs << QString::fromLatin1(QUrl::toPercentEncoding(name) + '=' +
                                     QUrl::toPercentEncoding(value));
    }
    return pairs.join(u'&');
}

/// Whether Qt's error only restates the HTTP status of a reply that did arrive. Qt turns every
/// status of 400 or above into an error code from several ranges (418 and 400 land among the
/// protocol errors, 407 among the proxy errors), so what tells the cases apart is a status of
/// 400 or above together with an error outside the connection range (1-99: refused, closed,
/// timed out, cancelled, TLS...), which would mean the exchange itself broke.
bool isHttpStatusError(QNetworkReply::NetworkError error, const QVariant& status)
{
    return status.isValid() && status.toInt() >= 400 && static_cast<int>(error) >= 100;
}

/// Set on a reply aborted because its redirect led away from the configured origin.
constexpr char redirectRefusedProperty[] = "orvelaRedirectRefused";
/// Set, to the limit in milliseconds, on a reply aborted because the whole exchange took longer.
constexpr char exchangeTimedOutProperty[] = "orvelaExchangeTimedOut";

/// A reply that ended because one of its time limits ran out: Qt reports both its own idle
/// limit and our abort as a cancelled operation, so the property tells them apart.
TransportError timedOut(const QNetworkReply* reply)
{
    const QVariant whole = reply->property(exchangeTimedOutProperty);
    return TransportError::timedOutAfter(
        whole.isValid() ? TransportError::Wait::exchange : TransportError::Wait::idle,
        whole.isValid() ? whole.toInt() : reply->request().transferTimeout(), reply->errorString());
}

bool isLoopback(const QUrl& url)
{
    const QString host = url.host();
    return host.compare(u"localhost", Qt::CaseInsensitive) == 0 || QHostAddress(host).isLoopback();
}

bool sameOrigin(const QUrl& a, const QUrl& b)
{
    const auto defaultPort = [](const QUrl& url) {
        return url.port(url.scheme().compare(u"https", Qt::CaseInsensitive) == 0 ? 443 : 80);
    };
    return a.scheme().compare(b.scheme(), Qt::CaseInsensitive) == 0 &&
           a.host().compare(b.host(), Qt::CaseInsensitive) == 0 && defaultPort(a) == defaultPort(b);
}

/// Redirects within the origin the request went to are followed; any other one would carry
/// the request (its body included, for a 307 or 308) to a server nobody configured, so it
/// ends the exchange before a byte goes there.
void followSameOriginOnly(QNetworkReply* reply)
{
    QObject::connect(reply, &QNetworkReply::redirected, reply, [reply](const QUrl& target) {
        if (sameOrigin(reply->request().url(), target)) {
            emit reply->redirectAllowed();
            return;
        }
        qCCritical(lcApiClient, "✕ redirect to another origin refused");
        reply->setProperty(redirectRefusedProperty, true);
        reply->abort();
    });
}

/// An answer that arrived, as the call's result: its body below 400, else the server's error.
CallResult<QByteArray> answerOf(int code, const CallResult<QByteArray>& body, const QString& path)
{
    qCInfo(lcApiClient, "← %d %s", code, qUtf8Printable(path));
    if (code >= 400) {
        // The status is the answer; a body cut short only loses the backend's words for it.
        return APIError::server(code,
                                ErrorResponse::messageFor(body.ok() ? body.value() : QByteArray()));
    }
    if (!body.ok()) {
        qCCritical(lcApiClient, "✕ %s: body incomplete", qUtf8Printable(path));
    }
    return body;
}

void logTransportError(const QString& path, QNetworkReply::NetworkError error)
{
    // The error's name only: Qt's error texts may quote the URL, and with it a poll token.
    qCCritical(lcApiClient, "✕ %s: %s", qUtf8Printable(path),
               QMetaEnum::fromType<QNetworkReply::NetworkError>().valueToKey(error));
}

/// A streamed exchange's end as the call's result, logged as a reply's would be.
CallResult<QByteArray> resultOf(const ExchangeEnd& end, const QString& path)
{
    if (!end.failure) {
        return answerOf(end.status, end.body, path);
    }
    if (const auto* refused = std::get_if<APIError>(&*end.failure)) {
        qCCritical(lcApiClient, "✕ %s: refused", qUtf8Printable(path));
        return *refused;
    }
    const auto& transport = std::get<TransportError>(*end.failure);
    logTransportError(path, transport.code);
    return transport;
}

/// Why a reply was refused before it ended by itself, if it was.
std::optional<APIError> refusal(const QNetworkReply* reply)
{
    if (reply->property(redirectRefusedProperty).toBool()) {
        return APIError::redirectRefused();
    }
    if (ReplyBody::overLimit(reply)) {
        return APIError::replyTooLarge();
    }
    if (ReplyBody::malformed(reply)) {
        return APIError::malformedReply();
    }
    return std::nullopt;
}

} // namespace

APIClient::APIClient(APIClientOptions options, QObject* parent)
    : QObject(parent), m_options(std::move(options)),
      m_ownSettings(m_options.settings == nullptr ? std::make_unique<QSettings>() : nullptr),
      m_pinning(m_options.extraPins, [this] { return readPinningSetting(); }),
      m_network(new QNetworkAccessManager(this))
{
    m_network->setCookieJar(new NoCookieJar(m_network));
    m_connectionsPinned = readPinningSetting();
}

APIClient::~APIClient()
{
    for (const QPointer<ApiCall>& call : std::as_const(m_calls)) {
        if (call) {
            call->cancel();
        }
    }
}

APIClient& APIClient::shared()
{
    static APIClient* client = new APIClient(APIClientOptions{}, QCoreApplication::instance());
    return *client;
}

std::optional<APIError> APIClient::refusePlainHttp(const QUrl& url) const
{
    if (url.scheme().compare(u"http", Qt::CaseInsensitive) != 0) {
        return std::nullopt;
    }
    // With pinning on, a plain connection would carry the exchange past the very check the
    // person switched on.
    if (readPinningSetting()) {
        qCCritical(lcApiClient, "✕ http:// refused while certificate pinning is on");
        return APIError::plainHttpRefused();
    }
    if (!isLoopback(url)) {
        qCWarning(lcApiClient, "The backend is reached over plain http://, unencrypted");
    }
    return std::nullopt;
}

bool APIClient::readPinningSetting() const
{
    const QSettings* settings = m_options.settings ? m_options.settings : m_ownSettings.get();
    return settings->value(orvela::settings::securityTlsPinning.toString(), false).toBool();
}

QString APIClient::baseURL() const
{
    if (!trimBlanks(m_options.fixedBaseUrl).isEmpty()) {
        return normalised(m_options.fixedBaseUrl);
    }
    const QSettings* settings = m_options.settings ? m_options.settings : m_ownSettings.get();
    const QString override =
        settings->value(orvela::settings::apiBaseUrlOverride.toString()).toString();
    if (!trimBlanks(override).isEmpty()) {
        return normalised(override);
    }
    const QString environment = qEnvironmentVariable("API_BASE_URL");
    if (!environment.isEmpty()) {
        return normalised(environment);
    }
    return QStringLiteral(ORVELA_PRODUCTION_API_URL);
}

ApiCall* APIClient::newCall(QObject* context)
{
    auto* call = new ApiCall(context != nullptr ? context : this);
    m_calls.removeIf([](const QPointer<ApiCall>& c) { return c.isNull(); });
    m_calls.append(call);
    return call;
}

QNetworkRequest APIClient::jsonRequest(const QUrl& url) const
{
    QNetworkRequest request(url);
    request.setRawHeader("Accept", "application/json");
    request.setRawHeader("User-Agent", userAgent);
    request.setTransferTimeout(m_options.timeouts.requestIdleMs);
    return request;
}

QNetworkReply* APIClient::start(ApiCall* call, QNetworkRequest request, const QByteArray& verb,
                                QIODevice* body, qint64 replyLimit, HandleCallback finished,
                                int exchangeMs, bool backendOrigin)
{
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    // Uncompressed bodies only: with Qt decompressing, Content-Length would count other bytes
    // than the ones collected, and a reply could no longer be told complete. The replies are
    // small JSON or an already compressed PDF, so nothing worth having is lost.
    request.setRawHeader("Accept-Encoding", "identity");
    if (!m_options.caCertificates.isEmpty()) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.setCaCertificates(m_options.caCertificates);
        request.setSslConfiguration(tls);
    }
    // A keep-alive connection is checked only when it is opened, so one opened under the other
    // pinning state must not carry this request.
    const bool pinned = readPinningSetting();
    if (pinned != m_connectionsPinned) {
        m_network->clearConnectionCache();
        m_connectionsPinned = pinned;
    }
    QNetworkReply* reply = m_network->sendCustomRequest(request, verb, body);
    if (body != nullptr) {
        body->setParent(reply);
    }
    if (backendOrigin) {
        m_pinning.attach(reply);
    }
    followSameOriginOnly(reply);
    ReplyBody::attach(reply, replyLimit);
    call->setReply(reply);

    const int wholeMs = exchangeMs > 0 ? exchangeMs : m_options.timeouts.exchangeMs;
    auto* exchangeLimit = new QTimer(reply);
    exchangeLimit->setSingleShot(true);
    connect(exchangeLimit, &QTimer::timeout, reply, [reply, wholeMs] {
        reply->setProperty(exchangeTimedOutProperty, wholeMs);
        reply->abort();
    });
    exchangeLimit->start(wholeMs);

    connect(reply, &QNetworkReply::finished, call, [call, reply, finished = std::move(finished)] {
        if (call->m_reply != reply) {
            return;
        }
        call->m_reply = nullptr;
        reply->deleteLater();
        finished(reply);
    });
    return reply;
}

CallResult<QByteArray> APIClient::readReply(QNetworkReply* reply, const QString& path) const
{
    if (const auto refused = refusal(reply)) {
        qCCritical(lcApiClient, "✕ %s: refused", qUtf8Printable(path));
        return *refused;
    }
    const QNetworkReply::NetworkError error = reply->error();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (error != QNetworkReply::NoError && !isHttpStatusError(error, status)) {
        logTransportError(path, error);
        const bool pinRefused = reply->property(PinnedSessionDelegate::refusedProperty).toBool();
        if (pinRefused) {
            return TransportError{error, reply->errorString(), true};
        }
        if (error == QNetworkReply::OperationCanceledError ||
            error == QNetworkReply::TimeoutError) {
            // Only Qt's own idle limit and our exchange limit abort a reply we still listen to.
            return timedOut(reply);
        }
        return TransportError{error, reply->errorString()};
    }
    if (!status.isValid()) {
        return APIError::invalidResponse();
    }
    return answerOf(status.toInt(), ReplyBody::take(reply), path);
}

void APIClient::sendRaw(ApiCall* call, const Endpoint& endpoint, RawDone done)
{
    QUrl url = parseUrl(baseURL() + endpoint.path());
    if (url.isValid() && endpoint.kind() == Endpoint::Case::status) {
        url.setQuery(encodedQuery(endpoint.queryItems()), QUrl::StrictMode);
    }
    if (!url.isValid()) {
        done(APIError::invalidResponse());
        return;
    }
    if (const auto refused = refusePlainHttp(url)) {
        done(*refused);
        return;
    }
    QNetworkRequest request = jsonRequest(url);
    const QByteArray body = endpoint.body();
    QBuffer* device = nullptr;
    if (!body.isEmpty()) {
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QByteArrayLiteral("application/json"));
        device = new QBuffer();
        device->setData(body);
        device->open(QIODevice::ReadOnly);
    }
    const QString path = endpoint.path();
    qCInfo(lcApiClient, "→ %s %s", endpoint.method().constData(), qUtf8Printable(path));
    start(call, request, endpoint.method(), device, m_options.limits.jsonBytes,
          [this, path, done = std::move(done)](QNetworkReply* reply) {
              done(readReply(reply, path));
          });
}

void APIClient::logDecodeFailure(const QString& why)
{
    qCCritical(lcApiClient, "decoding failed: %s", qUtf8Printable(why));
}

ApiCall* APIClient::pollStatus(const QString& sessionId, const QString& pollToken,
                               std::chrono::milliseconds limit, QObject* context,
                               std::function<void(CallResult<StatusResponse>)> done)
{
    ApiCall* call = newCall(context);
    pollOnce(call, sessionId, pollToken, std::chrono::steady_clock::now() + limit, std::move(done));
    return call;
}

void APIClient::pollOnce(ApiCall* call, const QString& sessionId, const QString& pollToken,
                         std::chrono::steady_clock::time_point deadline,
                         std::function<void(CallResult<StatusResponse>)> done)
{
    if (std::chrono::steady_clock::now() >= deadline) {
        call->deliver([done] { done(APIError::timeout()); });
        return;
    }
    sendRaw(call, Endpoint::status(sessionId, pollToken), [=, this](CallResult<QByteArray> raw) {
        if (!raw.ok()) {
            call->deliver([done, error = raw.error()] { done(error); });
            return;
        }
        QString why;
        const auto status = StatusResponse::decode(raw.value(), &why);
        if (!status) {
            logDecodeFailure(why);
            call->deliver([done] { done(APIError::invalidResponse()); });
        } else if (status->error && !status->error->isEmpty()) {
            call->deliver([done, text = *status->error] { done(APIError::server(200, text)); });
        } else if (status->isComplete()) {
            call->deliver([done, value = *status] { done(value); });
        } else {
            call->after(400, [=, this] { pollOnce(call, sessionId, pollToken, deadline, done); });
        }
    });
}

ApiCall* APIClient::upload(const QString& path, const QMap<QString, QString>& fields,
                           const QString& fileFieldName, const QString& fileName,
                           const QString& mediaType, const QByteArray& file, QObject* context,
                           std::function<void(CallResult<QByteArray>)> done)
{
    ApiCall* call = newCall(context);
    const QUrl url = parseUrl(baseURL() + path);
    if (!url.isValid()) {
        call->deliver([done] { done(APIError::invalidResponse()); });
        return call;
    }
    if (const auto refused = refusePlainHttp(url)) {
        call->deliver([done, error = *refused] { done(error); });
        return call;
    }
    const QString boundary =
        QStringLiteral("Boundary-") + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    auto* body = new MultipartBody(boundary, fields, fileFieldName, fileName, mediaType, file);
    StreamedRequest request;
    request.url = url;
    request.method = QByteArrayLiteral("POST");
    request.fields = {
        {"Content-Type", "multipart/form-data; boundary=" + boundary.toLatin1()},
        {"Content-Length", QByteArray::number(body->size())},
        {"User-Agent", userAgent},
        // As on every other call: the body's bytes are the ones counted against its length.
        {"Accept-Encoding", "identity"},
    };
    request.body = body;
    request.replyLimit = m_options.limits.uploadBytes;
    request.idleMs = m_options.timeouts.requestIdleMs;
    request.exchangeMs = m_options.timeouts.exchangeMs;
    request.caCertificates = m_options.caCertificates;
    request.mayRedirect = sameOrigin;
    qCInfo(lcApiClient, "→ POST %s (%lld bytes)", qUtf8Printable(path),
           static_cast<long long>(body->size()));
    // The signed copy is the one reply large enough to matter, so it is read from a connection
    // of the client's own, where TCP holds back a server that sends faster than it is read.
    auto* exchange = new StreamedExchange(
        std::move(request), m_pinning,
        [call, path, done = std::move(done)](ExchangeEnd end) {
            call->m_exchange = nullptr;
            call->deliver([done, result = resultOf(end, path)] { done(result); });
        },
        call);
    call->setExchange(exchange);
    exchange->start();
    return call;
}

ApiCall* APIClient::healthCheck(QObject* context, std::function<void(bool)> done)
{
    ApiCall* call = newCall(context);
    const QUrl url = parseUrl(baseURL() + QStringLiteral("/api/health"));
    if (!url.isValid() || refusePlainHttp(url)) {
        call->deliver([done] { done(false); });
        return call;
    }
    QNetworkRequest request(url);
    request.setTransferTimeout(m_options.timeouts.healthIdleMs);
    start(call, request, QByteArrayLiteral("GET"), nullptr, m_options.limits.healthBytes,
          [call, done = std::move(done)](QNetworkReply* reply) {
              const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
              // The probe uses no body, so only its limit matters, not its completeness.
              const bool healthy = !refusal(reply) && reply->error() == QNetworkReply::NoError &&
                                   status.isValid() && status.toInt() >= 200 &&
                                   status.toInt() <= 299;
              call->deliver([done, healthy] { done(healthy); });
          });
    return call;
}

ApiCall* APIClient::probe(int exchangeMs, QObject* context, std::function<void(BackendProbe)> done)
{
    ApiCall* call = newCall(context);
    const QUrl url = parseUrl(baseURL() + QStringLiteral("/api/health"));
    if (!url.isValid() || refusePlainHttp(url)) {
        call->deliver([done] { done(BackendProbe{}); });
        return call;
    }
    QNetworkRequest request(url);
    // The whole-exchange limit cuts a slow answer off and says so; the idle limit stays behind it.
    request.setTransferTimeout(exchangeMs + 1000);
    QElapsedTimer clock;
    clock.start();
    start(
        call, request, QByteArrayLiteral("GET"), nullptr, m_options.limits.healthBytes,
        [this, call, clock, done = std::move(done)](QNetworkReply* reply) {
            BackendProbe probe;
            probe.roundTripMs = clock.elapsed();
            const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
            probe.answered = status.isValid();
            probe.httpStatus = status.toInt();
            probe.pinRefused = reply->property(PinnedSessionDelegate::refusedProperty).toBool();
            probe.timedOut = reply->property(exchangeTimedOutProperty).isValid();
            if (!probe.answered) {
                probe.failure = QString::fromLatin1(
                    QMetaEnum::fromType<QNetworkReply::NetworkError>().valueToKey(reply->error()));
            }
            probe.readConnection(*reply, m_pinning);
            call->deliver([done, probe] { done(probe); });
        },
        exchangeMs);
    return call;
}

ApiCall* APIClient::fetch(const QUrl& url, const FetchRules& rules, QObject* context,
                          std::function<void(CallResult<QByteArray>)> done)
{
    ApiCall* call = newCall(context);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("https") && scheme != QLatin1String("http"))) {
        call->deliver([done] { done(APIError::invalidResponse()); });
        return call;
    }
    QNetworkRequest request(url);
    request.setRawHeader("Accept", rules.accept);
    request.setRawHeader("User-Agent", userAgent);
    request.setTransferTimeout(rules.idleMs);
    // Host and path only: a query may carry what does not belong in a log.
    const QString where = url.host() + url.path();
    qCInfo(lcApiClient, "→ GET %s", qUtf8Printable(where));
    start(
        call, request, QByteArrayLiteral("GET"), nullptr, rules.maxBytes,
        [this, call, where, done = std::move(done)](QNetworkReply* reply) {
            call->deliver([done, result = readReply(reply, where)] { done(result); });
        },
        rules.exchangeMs, false);
    return call;
}

} // namespace orvela::api
