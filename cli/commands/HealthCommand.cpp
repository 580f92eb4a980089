#include "commands/HealthCommand.h"

#include "CliOutput.h"
#include "api/APIClient.h"

#include <QEventLoop>
#include <QRegularExpression>
#include <QUrl>

namespace orvela::cli {

namespace {

/// The address as it may be shown: a user name and password written into it stay unprinted,
/// since the output ends up in terminals, logs and bug reports.
QString shownAddress(const QString& baseUrl)
{
    const QUrl url(baseUrl);
    if (url.isValid()) {
        return url.adjusted(QUrl::RemoveUserInfo).toString();
    }
    // An address Qt cannot read may still hold "user:password@" after its scheme.
    static const QRegularExpression userInfo(QStringLiteral("^([^:/?#]+://)[^/?#]*@"));
    return QString(baseUrl).replace(userInfo, QStringLiteral("\\1"));
}

} // namespace

int runHealth(CliContext& context)
{
    api::APIClientOptions options;
    options.fixedBaseUrl = context.apiUrl;
    api::APIClient client(options);
    const QString baseUrl = shownAddress(client.baseURL());

    // The tool's one event loop: nothing else runs while the probe is out.
    QEventLoop loop;
    bool healthy = false;
    client.healthCheck(&loop, [&](bool answer) {
        healthy = answer;
        loop.quit();
    });
    loop.exec();

    if (context.json) {
        printJson(QJsonObject{{QStringLiteral("baseUrl"), baseUrl},
                              {QStringLiteral("reachable"), healthy}});
    } else {
        printLine(QStringLiteral("%1: %2").arg(
            inert(baseUrl), healthy ? QStringLiteral("reachable") : QStringLiteral("unreachable")));
    }
    return healthy ? 0 : 1;
}

} // namespace orvela::cli
