#include "commands/HealthCommand.h"

#include "CliOutput.h"
#include "api/APIClient.h"

#include <QEventLoop>

namespace orvela::cli {

namespace {

int runHealth(CliContext& context)
{
    if (!context.args.isEmpty()) {
        return fail(context.json, QStringLiteral("orvela health: takes no arguments"));
    }
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
        printLine(QStringLiteral("%1: %2").arg(inert(baseUrl), healthy ? QStringLiteral("reachable")
                                                                : QStringLiteral("unreachable")));
    }
    return healthy ? 0 : 1;
}

} // namespace

CliCommand healthCommand()
{
    return CliCommand{{QStringLiteral("health")},
                      QString(),
                      QStringLiteral("Checks whether the backend answers (exit status 0 or 1)."),
                      runHealth};
}

} // namespace orvela::cli
