// The client's own state: construction, the shared instance, the base URL and the rule on
// plain http://. Each road a call takes is in a file of its own: APIClientExchange.cpp (the
// one exchange every call but the upload runs on), APIClientJsonCalls.cpp, APIClientUpload.cpp,
// APIClientHealth.cpp and APIClientFetch.cpp.

#include "api/APIClient.h"

#include "common/SettingsKeys.h"
#include "common/TextRules.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QSettings>
#include <QUrl>

#ifndef ORVELA_PRODUCTION_API_URL
#error "ORVELA_PRODUCTION_API_URL must name the production backend origin"
#endif

namespace orvela::api {

using common::trimBlanks;

namespace {

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

bool isLoopback(const QUrl& url)
{
    const QString host = url.host();
    return host.compare(u"localhost", Qt::CaseInsensitive) == 0 || QHostAddress(host).isLoopback();
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

std::optional<ApiError> APIClient::refusePlainHttp(const QUrl& url) const
{
    if (url.scheme().compare(u"http", Qt::CaseInsensitive) != 0) {
        return std::nullopt;
    }
    // With pinning on, a plain connection would carry the exchange past the very check the
    // person switched on.
    if (readPinningSetting()) {
        qCCritical(lcApiClient, "✕ http:// refused while certificate pinning is on");
        return ApiError::plainHttpRefused();
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

} // namespace orvela::api
