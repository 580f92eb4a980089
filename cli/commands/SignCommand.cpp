#include "commands/SignCommand.h"

#include "CliLocalization.h"
#include "CliOutput.h"
#include "api/APIClient.h"
#include "state/AppState.h"
#include "state/FprintdBiometricGate.h"
#include "state/KeychainManager.h"
#include "state/SigningController.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonObject>
#include <QSettings>

namespace orvela::cli {

namespace {

using state::SigningController;
using Phase = SigningController::Phase;

const QString usage = QStringLiteral("orvela sign: use FILE.pdf [--out DIR]");

struct SignArgs {
    QString file;
    QString outDir; ///< empty: the Downloads folder
};

std::optional<SignArgs> parseArgs(const QStringList& args)
{
    SignArgs parsed;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == u"--out" && i + 1 < args.size() && parsed.outDir.isEmpty()) {
            parsed.outDir = args[++i];
        } else if (a.startsWith(u"--out=") && parsed.outDir.isEmpty()) {
            parsed.outDir = a.mid(6);
        } else if (!a.startsWith(u"--") && parsed.file.isEmpty()) {
            parsed.file = a;
        } else {
            return std::nullopt;
        }
    }
    if (parsed.file.isEmpty() ||
        (args.contains(QStringLiteral("--out")) && parsed.outDir.isEmpty())) {
        return std::nullopt;
    }
    return parsed;
}

/// A folder the tool was told to use, created like the Downloads folder when missing.
SigningController::DownloadsFolder folderFor(const QString& outDir)
{
    if (outDir.isEmpty()) {
        return {};
    }
    return [outDir](state::SignText* error) -> QString {
        const QString folder = QFileInfo(outDir).absoluteFilePath();
        if (!QDir().mkpath(folder)) {
            *error = {QStringLiteral("The folder could not be created: ") + folder,
                      QStringLiteral("Хавтсыг үүсгэж чадсангүй: ") + folder};
            return {};
        }
        return folder;
    };
}

/// Loads the identity as `orvela whoami` does; false when nobody is signed in.
bool restoreIdentity(state::AppState& appState)
{
    QEventLoop loop;
    QObject::connect(&appState, &state::AppState::biometricPromptChanged, &loop,
                     [](const QString& reason) {
                         if (!reason.isEmpty()) {
                             printError(reason);
                         }
                     });
    QObject::connect(&appState, &state::AppState::restoreFinished, &loop,
                     [&loop](bool restored) { loop.exit(restored ? 0 : 1); });
    appState.restoreSession();
    return loop.exec() == 0;
}

int runSign(CliContext& context)
{
    const auto args = parseArgs(context.args);
    if (!args) {
        return fail(context.json, usage);
    }
    QString languageError;
    const auto& texts = cliLocalization(context, &languageError);
    if (!languageError.isEmpty()) {
        return fail(context.json, languageError);
    }
    const bool english = texts.language() == common::AppLanguage::en;
    const auto pick = [english](const char* en, const char* mn) {
        return QString::fromUtf8(english ? en : mn);
    };
    // Progress goes to standard error when standard output carries JSON.
    const auto progress = [&context](const QString& line) {
        context.json ? printError(line) : printLine(line);
    };

    QSettings settings;
    state::FprintdBiometricGate gate;
    state::AppState appState(state::KeychainManager::shared(), settings, gate);
    if (!restoreIdentity(appState)) {
        return fail(context.json, QStringLiteral("Not signed in. Run 'orvela login' first."));
    }
    api::APIClientOptions options;
    options.fixedBaseUrl = context.apiUrl;
    api::APIClient client(options);
    SigningController signing(appState, client, folderFor(args->outDir));

    QEventLoop loop;
    QObject::connect(&signing, &SigningController::phaseChanged, &loop, [&](Phase phase) {
        switch (phase) {
        case Phase::waitingApproval:
            progress(pick("VERIFICATION CODE", "БАТАЛГААЖУУЛАХ КОД") + QStringLiteral(": ") +
                     signing.verificationCode());
            progress(QStringLiteral("SHA-256: ") + signing.hash());
            progress(pick("Check the same code shows in the Nuvia app, then approve with PIN2.",
                          "Утсан дээрх Nuvia апп-д ижил кодтой эсэхийг шалгаад PIN2-оор "
                          "баталгаажуулна уу."));
            break;
        case Phase::done:
            if (context.json) {
                printJson(QJsonObject{{QStringLiteral("fileName"), signing.fileName()},
                                      {QStringLiteral("sha256"), signing.hash()},
                                      {QStringLiteral("path"), signing.savedPath()}});
            } else {
                printLine(pick("Signed successfully", "Гарын үсэг амжилттай") +
                          QStringLiteral(": ") + signing.savedPath());
            }
            loop.exit(0);
            break;
        case Phase::failed:
            loop.exit(fail(context.json, signing.message().in(texts.language())));
            break;
        case Phase::idle:
        case Phase::uploading:
            break;
        }
    });
    signing.signFile(args->file);
    return loop.exec();
}

} // namespace

CliCommand signCommand()
{
    return CliCommand{{QStringLiteral("sign")},
                      QString(),
                      QStringLiteral("Signs a PDF with the Nuvia app (approve with PIN2 on the "
                                     "phone); saves FILE_signed.pdf in Downloads or --out DIR."),
                      runSign};
}

} // namespace orvela::cli
