#include "commands/DiagnoseCommand.h"

#include "CliOutput.h"
#include "api/APIClient.h"
#include "common/BuildInfo.h"
#include "common/SettingsFile.h"
#include "diagnostics/DiagnosticsRunner.h"
#include "diagnostics/Report.h"
#include "platform/KeychainManager.h"
#include "updates/UpdateFeed.h"

#include <QEventLoop>
#include <QSettings>
#include <algorithm>

namespace orvela::cli {

namespace {

/// The feed the desktop would read: the settings' address, else the one built in.
QUrl feedUrl()
{
    const QSettings store;
    const QString chosen = store.value(updates::updateFeedUrl.toString()).toString().trimmed();
    return QUrl(chosen.isEmpty() ? QStringLiteral(ORVELA_UPDATE_FEED_URL) : chosen);
}

} // namespace

int runDiagnose(CliContext& context)
{
    api::APIClientOptions options;
    options.fixedBaseUrl = context.apiUrl;
    api::APIClient client(options);

    diagnostics::DiagnosticsEnvironment environment;
    environment.version = QString::fromLatin1(common::version);
    environment.build = QStringLiteral(ORVELA_BUILD_NUMBER).isEmpty()
                            ? QStringLiteral("—")
                            : QStringLiteral(ORVELA_BUILD_NUMBER);
    environment.language = context.language;
    environment.feedUrl = feedUrl();
    environment.api = &client;
    const QString library = context.value(QStringLiteral("library"));
    if (!library.isEmpty()) {
        environment.pkcs11Library = library.toStdString();
    }
    environment.settingsPath = common::defaultSettingsPath();
    environment.keychainService = QString::fromLatin1(platform::KeychainManager::defaultService);

    diagnostics::DiagnosticsRunner runner(environment);
    // The tool's one event loop: the checks run on their workers while it waits.
    QEventLoop loop;
    QObject::connect(&runner, &diagnostics::DiagnosticsRunner::finished, &loop, &QEventLoop::quit);
    runner.start();
    if (runner.isRunning()) {
        loop.exec();
    }

    QList<diagnostics::Check> checks = runner.checks();
    if (context.json) {
        printJson(diagnostics::reportJson(checks, context.language));
    } else {
        // Readers' names, labels and loader messages come from outside: escaped for the terminal.
        for (diagnostics::Check& check : checks) {
            for (diagnostics::Fact& fact : check.facts) {
                fact.value = inert(fact.value);
            }
        }
        printText(diagnostics::reportText(checks, context.language));
    }
    const bool problem = std::any_of(checks.begin(), checks.end(), [](const auto& check) {
        return check.verdict == diagnostics::Verdict::problem;
    });
    return problem ? 1 : 0;
}

} // namespace orvela::cli
