#include "commands/SignCommand.h"

#include "CliLocalization.h"
#include "CliOutput.h"
#include "api/APIClient.h"
#include "common/LocalizationTables.h"
#include "platform/FprintdBiometricGate.h"
#include "platform/KeychainManager.h"
#include "session/AppState.h"
#include "signing/SigningController.h"
#include "signing/TrustSettings.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonObject>
#include <QSettings>

namespace orvela::cli {

namespace {

using signing::SigningController;
using Phase = SigningController::Phase;

/// A folder the tool was told to use, created like the Downloads folder when missing.
SigningController::DownloadsFolder folderFor(const QString& outDir)
{
    if (outDir.isEmpty()) {
        return {};
    }
    return [outDir](signing::SignFailure* why) -> QString {
        const QString folder = QFileInfo(outDir).absoluteFilePath();
        if (!QDir().mkpath(folder)) {
            *why = {signing::SignFailure::Kind::folderNotCreated, folder, {}, {}};
            return {};
        }
        return folder;
    };
}

/// What `orvela sign` says of a saved copy that failed its check: the screen's words, and where
/// the copy was kept.
QString refusal(const signing::SigningController& signing, common::AppLanguage language)
{
    return common::builtInText(QStringLiteral("SignCopy_Refused"), language) +
           QStringLiteral(": ") + orvela::signing::copyCheckText(signing.copyCheck(), language) +
           u' ' +
           common::builtInText(QStringLiteral("SignCopy_KeptAt"), language)
               .arg(signing.savedPath());
}

/// Loads the identity as `orvela whoami` does; false when nobody is signed in.
bool restoreIdentity(session::AppState& appState)
{
    QEventLoop loop;
    QObject::connect(&appState, &session::AppState::biometricPromptChanged, &loop,
                     [](const QString& reason) {
                         if (!reason.isEmpty()) {
                             printError(reason);
                         }
                     });
    QObject::connect(&appState, &session::AppState::restoreFinished, &loop,
                     [&loop](bool restored) { loop.exit(restored ? 0 : 1); });
    appState.restoreSession();
    return loop.exec() == 0;
}

} // namespace

int runSign(CliContext& context)
{
    const auto& texts = cliLocalization();
    // What the person must check goes to standard error when standard output carries JSON.
    const auto say = [&context](const QString& line) {
        context.json ? printError(line) : printLine(line);
    };

    QSettings settings;
    platform::FprintdBiometricGate gate;
    session::AppState appState(platform::KeychainManager::shared(), settings, gate);
    if (!restoreIdentity(appState)) {
        return fail(context.json, cliText("Cli_Sign_NotSignedIn"));
    }
    api::APIClientOptions options;
    options.fixedBaseUrl = context.apiUrl;
    api::APIClient client(options);
    SigningController signing(appState, client, folderFor(context.value(QStringLiteral("out"))));
    signing.setCopyTrust(orvela::signing::configuredTrust(settings));

    QEventLoop loop;
    ProgressLine progress;
    QObject::connect(&signing, &SigningController::phaseChanged, &loop, [&](Phase phase) {
        progress.end();
        switch (phase) {
        case Phase::uploading:
            progress.start(cliText("Cli_Sign_Uploading"));
            break;
        case Phase::waitingApproval:
            say(cliText("Cli_Sign_Code") + QStringLiteral(": ") +
                inert(signing.verificationCode()));
            say(QStringLiteral("SHA-256: ") + signing.hash());
            say(cliText("Cli_Sign_Check"));
            progress.start(cliText("Cli_Sign_Waiting"));
            break;
        case Phase::done:
            if (!signing.copyCheck().passed()) {
                loop.exit(fail(context.json, refusal(signing, texts.language()),
                               orvela::signing::copyCheckCode(signing.copyCheck())));
            } else if (context.json) {
                printJson(QJsonObject{{QStringLiteral("fileName"), signing.fileName()},
                                      {QStringLiteral("sha256"), signing.hash()},
                                      {QStringLiteral("path"), signing.savedPath()}});
            } else {
                printLine(cliText("Cli_Sign_Done") + QStringLiteral(": ") +
                          inert(signing.savedPath()));
            }
            if (signing.copyCheck().passed()) {
                loop.exit(0);
            }
            break;
        case Phase::failed:
            loop.exit(fail(context.json,
                           orvela::signing::signFailureText(signing.failure(), texts.language())));
            break;
        case Phase::idle:
            break;
        }
    });
    signing.signFile(context.positionals.constFirst());
    return loop.exec();
}

} // namespace orvela::cli
