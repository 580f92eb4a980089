#include "commands/HealthCommand.h"

#include "CliOutput.h"
#include "api/APIClient.h"

#include <QEventLoop>

namespace orvela::cli {

int runHealth(CliContext& context)
{
    api::APIClientOptions options;
    options.fixedBaseUrl = context.apiUrl;
    api::APIClient client(options);
    const QString baseUrl = client.baseURL();

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
