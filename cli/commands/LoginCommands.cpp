#include "commands/LoginCommands.h"

#include "CliHelp.h"
#include "CliLocalization.h"
#include "CliOutput.h"
#include "api/APIClient.h"
#include "common/DateFormatter.h"
#include "platform/FprintdBiometricGate.h"
#include "platform/KeychainManager.h"
#include "session/AppState.h"
#include "signin/LoginController.h"
#include "signin/QrCode.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QSettings>
#include <cstdio>
#include <unistd.h>

namespace orvela::cli {

namespace {

using session::AppState;
using session::AuthPhase;
using signin::LoginController;

/// The application state over the desktop application's own store and settings.
struct Session {
    QSettings settings;
    platform::FprintdBiometricGate gate;
    AppState appState{platform::KeychainManager::shared(), settings, gate};
};

/// Where a sign-in's messages go: standard output, or standard error when standard output is
/// for JSON. The countdown is a progress line: on a terminal's standard error only, rewriting
/// one line; a pipe never sees it.
class LoginOutput {
public:
    explicit LoginOutput(const CliContext& context)
        : m_json(context.json), m_rewrite(::isatty(STDERR_FILENO) != 0)
    {}

    void line(const QString& text)
    {
        closeLine();
        if (m_json) {
            printError(text);
        } else {
            printLine(text);
        }
    }

    void countdown(const LoginController& login)
    {
        if (!m_rewrite) {
            return;
        }
        const QString text = QStringLiteral("⏱ ") + login.countdownText();
        const QByteArray utf8 = (QStringLiteral("\r") + text + QStringLiteral("  ")).toUtf8();
        std::fwrite(utf8.constData(), 1, static_cast<std::size_t>(utf8.size()), stderr);
        std::fflush(stderr);
        m_lineOpen = true;
    }

    /// Ends a countdown line that is being rewritten, before anything else is printed.
    void closeLine()
    {
        if (m_lineOpen) {
            std::fputc('\n', stderr);
            std::fflush(stderr);
            m_lineOpen = false;
        }
    }

private:
    bool m_json;
    bool m_rewrite;
    bool m_lineOpen = false;
};

QJsonObject identityJson(const AppState& appState)
{
    return QJsonObject{{QStringLiteral("fullName"), appState.fullName()},
                       {QStringLiteral("nationalId"), appState.nationalId()},
                       {QStringLiteral("civilId"), appState.civilId()},
                       {QStringLiteral("kycLevel"), appState.kycLevel()},
                       {QStringLiteral("documentNumber"), appState.documentNumber()}};
}

/// Wires the controller's progress to the terminal and ends `loop` with the exit status.
void report(CliContext& context, LoginOutput& out, const common::LocalizationService& texts,
            LoginController& login, AppState& appState, QEventLoop& loop)
{
    const auto tr = [&texts](const char* key) { return texts.localized(QString::fromLatin1(key)); };
    QObject::connect(&login, &LoginController::qrImageChanged, &loop, [&, tr] {
        if (const auto code = signin::QrCode::encode(login.qrText());
            !login.qrImage().isNull() && code) {
            for (const QString& line : code->halfBlockLines()) {
                out.line(line);
            }
            out.line(tr("Login_Qr_Hint"));
        }
    });
    QObject::connect(
        &login, &LoginController::verificationCodeChanged, &loop, [&, tr](const QString& code) {
            if (!code.isEmpty()) {
                out.line(tr("Login_VerificationCode") + QStringLiteral(": ") + inert(code));
            }
        });
    QObject::connect(&login, &LoginController::countdownChanged, &loop, [&] {
        // The screen's countdown may tick once more after the outcome.
        const auto phase = login.phase();
        if (phase != AuthPhase::success && phase != AuthPhase::failed) {
            out.countdown(login);
        }
    });
    QObject::connect(&login, &LoginController::phaseChanged, &loop, [&, tr](AuthPhase phase) {
        if (phase == AuthPhase::waiting) {
            out.line(tr("Login_Waiting_Title") + QStringLiteral(" — ") +
                     tr("Login_Waiting_Subtitle"));
        } else if (phase == AuthPhase::failed) {
            out.closeLine();
            loop.exit(fail(context.json, login.failure() ? signin::loginFailureText(
                                                               *login.failure(), context.language)
                                                         : QString()));
        } else if (phase == AuthPhase::success) {
            out.line(tr("Login_Success_Title") + QStringLiteral(" ") + inert(login.resultName()));
            out.line(tr("Login_Result_NationalId") + QStringLiteral(": ") +
                     inert(login.resultNationalId()));
            out.line(tr("Login_Result_KycLabel") + QStringLiteral(": ") +
                     inert(login.resultKycLevel()));
        }
    });
    // The sign-in is done once the identity is in the credential store.
    QObject::connect(&appState, &AppState::identitySaved, &loop, [&](bool stored) {
        out.closeLine();
        if (!stored) {
            loop.exit(fail(context.json, cliText("Cli_Login_NotKept")));
            return;
        }
        if (context.json) {
            printJson(identityJson(appState));
        }
        loop.exit(0);
    });
}

} // namespace

int runLogin(CliContext& context)
{
    const bool qr = context.isSet(QStringLiteral("qr"));
    if (qr == context.isSet(QStringLiteral("register"))) {
        return usageError(context, cliText("Cli_Usage_LoginMode"));
    }
    const auto& texts = cliLocalization();
    api::APIClientOptions options;
    options.fixedBaseUrl = context.apiUrl;
    api::APIClient client(options);
    Session session;
    LoginController login(session.appState, client);

    // The tool's one event loop: it runs until the flow ends.
    QEventLoop loop;
    LoginOutput out(context);
    report(context, out, texts, login, session.appState, loop);
    if (qr) {
        login.selectTab(session::LoginTab::qrScan);
    } else {
        login.setNationalIdInput(context.value(QStringLiteral("register")));
        login.startNationalIdFlow();
        if (login.phase() == AuthPhase::idle) {
            return usageError(context, cliText("Cli_Usage_BlankNumber"));
        }
    }
    return loop.exec();
}

int runWhoami(CliContext& context)
{
    Session session;
    QEventLoop loop;
    QObject::connect(&session.appState, &AppState::biometricPromptChanged, &loop,
                     [](const QString& reason) {
                         if (!reason.isEmpty()) {
                             printError(reason);
                         }
                     });
    QObject::connect(&session.appState, &AppState::restoreFinished, &loop,
                     [&loop](bool restored) { loop.exit(restored ? 0 : 1); });
    session.appState.restoreSession();
    if (loop.exec() != 0) {
        return fail(context.json, cliText("Cli_NotSignedIn"));
    }
    const AppState& appState = session.appState;
    if (context.json) {
        printJson(identityJson(appState));
    } else {
        // The stored identity came from the backend: a name must not be able to set the
        // terminal's title, clear the screen or add a line of its own.
        printLine(inert(appState.fullName()));
        printLine(cliText("Cli_Whoami_NationalId") + inert(appState.nationalId()));
        printLine(cliText("Cli_Whoami_CivilId") + inert(appState.civilId()));
        printLine(cliText("Cli_Whoami_Kyc") + inert(appState.kycLevel()));
        printLine(cliText("Cli_Whoami_Document") + inert(appState.documentNumber()));
    }
    return 0;
}

int runLogout(CliContext& context)
{
    Session session;
    QEventLoop loop;
    QObject::connect(&session.appState, &AppState::identityRemoved, &loop,
                     [&loop](bool removed) { loop.exit(removed ? 0 : 1); });
    session.appState.signOut();
    if (loop.exec() != 0) {
        return fail(context.json, cliText("Cli_Logout_NotDeleted"));
    }
    if (context.json) {
        printJson(QJsonObject{{QStringLiteral("signedOut"), true}});
    } else {
        printLine(cliText("Cli_SignedOut"));
    }
    return 0;
}

int runActivity(CliContext& context)
{
    Session session;
    const auto log = session.appState.loadActivity();
    if (context.json) {
        QJsonArray sessions;
        int logins = 0;
        for (const auto& record : log) {
            sessions.append(record.toJson());
            logins += record.sessionType == u"AUTH" ? 1 : 0;
        }
        printJson(QJsonObject{{QStringLiteral("sessions"), sessions},
                              {QStringLiteral("totalLogins"), logins}});
        return 0;
    }
    if (log.isEmpty()) {
        printLine(cliText("Cli_NoActivity"));
    }
    const common::DateFormatter dates;
    for (const auto& record : log) {
        QStringList fields{dates.dateTime(record.createdAt, context.language),
                           record.sessionType,
                           record.state,
                           record.result,
                           record.rpName,
                           record.pushText.value_or(QString())};
        for (QString& field : fields) {
            field = inert(field);
        }
        printLine(fields.join(QStringLiteral("  ")).trimmed());
    }
    return 0;
}

} // namespace orvela::cli
