#include "commands/LoginCommands.h"

#include "CliLocalization.h"
#include "CliOutput.h"
#include "api/APIClient.h"
#include "state/AppState.h"
#include "state/FprintdBiometricGate.h"
#include "state/KeychainManager.h"
#include "state/LoginController.h"
#include "state/QrCode.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QSettings>
#include <cstdio>
#include <unistd.h>

namespace orvela::cli {

namespace {

using state::AppState;
using state::AuthPhase;
using state::LoginController;

/// The application state over the desktop application's own store and settings.
struct Session {
    QSettings settings;
    state::FprintdBiometricGate gate;
    AppState appState{state::KeychainManager::shared(), settings, gate};
};

/// Where a sign-in's progress goes: standard output, or standard error when standard output is
/// for JSON. On a terminal the countdown rewrites one line; elsewhere it shows once a minute.
class LoginOutput {
public:
    explicit LoginOutput(const CliContext& context)
        : m_json(context.json), m_rewrite(!context.json && ::isatty(STDOUT_FILENO))
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
        const QString text = QStringLiteral("⏱ ") + login.countdownText();
        if (!m_rewrite) {
            if (login.countdown() % 60 == 0) {
                line(text);
            }
            return;
        }
        const QByteArray utf8 = (QStringLiteral("\r") + text + QStringLiteral("  ")).toUtf8();
        std::fwrite(utf8.constData(), 1, static_cast<std::size_t>(utf8.size()), stdout);
        std::fflush(stdout);
        m_lineOpen = true;
    }

    /// Ends a countdown line that is being rewritten, before anything else is printed.
    void closeLine()
    {
        if (m_lineOpen) {
            std::fputc('\n', stdout);
            std::fflush(stdout);
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
                       {QStringLiteral("nationalId"), appState.nationalID()},
                       {QStringLiteral("civilId"), appState.civilID()},
                       {QStringLiteral("kycLevel"), appState.kycLevel()},
                       {QStringLiteral("documentNumber"), appState.documentNumber()}};
}

/// Wires the controller's progress to the terminal and ends `loop` with the exit status.
void report(CliContext& context, LoginOutput& out, const common::LocalizationService& texts,
            LoginController& login, AppState& appState, QEventLoop& loop)
{
    const auto tr = [&texts](const char* key) { return texts.localized(QString::fromLatin1(key)); };
    QObject::connect(&login, &LoginController::qrImageChanged, &loop, [&, tr] {
        if (const auto code = state::QrCode::encode(login.qrText());
            !login.qrImage().isNull() && code) {
            for (const QString& line : code->halfBlockLines()) {
                out.line(line);
            }
            out.line(tr("Login_Qr_Hint"));
        }
    });
    QObject::connect(&login, &LoginController::verificationCodeChanged, &loop,
                     [&, tr](const QString& code) {
                         if (!code.isEmpty()) {
                             out.line(tr("Login_VerificationCode") + QStringLiteral(": ") +
                                      inert(code));
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
            loop.exit(fail(context.json, login.errorMessage()));
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
            loop.exit(fail(context.json, QStringLiteral("orvela login: signed in, but the "
                                                        "credential store did not keep the "
                                                        "identity")));
            return;
        }
        if (context.json) {
            printJson(identityJson(appState));
        }
        loop.exit(0);
    });
}

int runLogin(CliContext& context)
{
    const QString usage = QStringLiteral("orvela login: use --register NUMBER or --qr");
    const QStringList& args = context.args;
    const bool qr = args == QStringList{QStringLiteral("--qr")};
    const bool byNumber = args.size() == 2 && args.first() == u"--register";
    if (!qr && !byNumber) {
        return fail(context.json, usage);
    }
    QString languageError;
    const auto& texts = cliLocalization(context, &languageError);
    if (!languageError.isEmpty()) {
        return fail(context.json, languageError);
    }
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
        login.selectTab(state::LoginTab::qrScan);
    } else {
        login.setNationalIdInput(args.at(1));
        login.startNationalIdFlow();
        if (login.phase() == AuthPhase::idle) {
            return fail(context.json, usage); // a blank number
        }
    }
    return loop.exec();
}

int runWhoami(CliContext& context)
{
    if (!context.args.isEmpty()) {
        return fail(context.json, QStringLiteral("orvela whoami: takes no arguments"));
    }
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
        return fail(context.json, QStringLiteral("Not signed in."));
    }
    const AppState& appState = session.appState;
    if (context.json) {
        printJson(identityJson(appState));
    } else {
        // The stored identity came from the backend: a name must not be able to set the
        // terminal's title, clear the screen or add a line of its own.
        printLine(inert(appState.fullName()));
        printLine(QStringLiteral("National ID: ") + inert(appState.nationalID()));
        printLine(QStringLiteral("Civil ID: ") + inert(appState.civilID()));
        printLine(QStringLiteral("KYC level: ") + inert(appState.kycLevel()));
        printLine(QStringLiteral("Document: ") + inert(appState.documentNumber()));
    }
    return 0;
}

int runLogout(CliContext& context)
{
    if (!context.args.isEmpty()) {
        return fail(context.json, QStringLiteral("orvela logout: takes no arguments"));
    }
    Session session;
    QEventLoop loop;
    QObject::connect(&session.appState, &AppState::identityRemoved, &loop,
                     [&loop](bool removed) { loop.exit(removed ? 0 : 1); });
    session.appState.signOut();
    if (loop.exec() != 0) {
        return fail(context.json,
                    QStringLiteral("orvela logout: the credential store did not delete the "
                                   "identity; the activity log is deleted"));
    }
    if (context.json) {
        printJson(QJsonObject{{QStringLiteral("signedOut"), true}});
    } else {
        printLine(QStringLiteral("Signed out."));
    }
    return 0;
}

int runActivity(CliContext& context)
{
    if (!context.args.isEmpty()) {
        return fail(context.json, QStringLiteral("orvela activity: takes no arguments"));
    }
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
        printLine(QStringLiteral("No activity."));
    }
    for (const auto& record : log) {
        QStringList fields{record.createdAt, record.sessionType, record.state, record.result,
                           record.rpName, record.pushText.value_or(QString())};
        for (QString& field : fields) {
            field = inert(field);
        }
        printLine(fields.join(QStringLiteral("  ")).trimmed());
    }
    return 0;
}

} // namespace

CliCommands loginCommands()
{
    return {
        CliCommand{{QStringLiteral("login")},
                   QString(),
                   QStringLiteral("Signs in with the Nuvia app: --register NUMBER (a request "
                                  "arrives on the phone) or --qr (scan the code shown)."),
                   runLogin},
        CliCommand{{QStringLiteral("whoami")},
                   QString(),
                   QStringLiteral("Shows who is signed in (exit status 1 when nobody is)."),
                   runWhoami},
        CliCommand{{QStringLiteral("logout")},
                   QString(),
                   QStringLiteral("Signs out: deletes the stored identity and the activity log."),
                   runLogout},
        CliCommand{{QStringLiteral("activity")},
                   QString(),
                   QStringLiteral("Lists the local activity log, newest first."),
                   runActivity},
    };
}

} // namespace orvela::cli
