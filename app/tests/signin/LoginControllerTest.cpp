// The sign-in logic against the backend simulator on 127.0.0.1, with the application state on a
// private keyring and private settings.

#include "signin/LoginController.h"

#include "BackendSim.h"
#include "SessionFixture.h"
#include "TestPki.h"
#include "api/APIClient.h"
#include "common/SettingsKeys.h"
#include "signing/SigningController.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <functional>

using namespace orvela;
using namespace orvela::session;
using namespace orvela::signin;
using namespace std::chrono_literals;
using backendsim::SimFault;
using backendsim::SimOutcome;
using sessiontest::runEventLoopFor;
using sessiontest::waitUntil;

namespace {

const QString qrPrefix = QStringLiteral("QR код үүсгэхэд алдаа: ");

class LoginControllerTest : public sessiontest::SessionFixture {
protected:
    void SetUp() override
    {
        SessionFixture::SetUp();
        ASSERT_FALSE(HasFatalFailure());
        m_sim = std::make_unique<backendsim::BackendSim>();
        ASSERT_NE(m_sim->start(), 0);
        m_sim->setApproveAfterMs(300);
        useClient();
        QObject::connect(m_login.get(), &LoginController::phaseChanged, &m_context,
                         [this](AuthPhase phase) { m_phases.append(phase); });
        QObject::connect(m_login.get(), &LoginController::countdownChanged, &m_context,
                         [this](int seconds) { m_countdowns.append(seconds); });
    }

    /// A client of the simulator with `options`, and a controller over it.
    void useClient(api::APIClientOptions options = {})
    {
        options.settings = m_settings.get();
        options.fixedBaseUrl = m_sim->baseUrl();
        m_login.reset();
        m_client = std::make_unique<api::APIClient>(options);
        m_login = std::make_unique<LoginController>(*m_state, *m_client);
    }

    /// The failure shown, in `language` (Mongolian, the default interface language, unless
    /// asked); empty while none is.
    QString failureShown(common::AppLanguage language = common::AppLanguage::mn) const
    {
        return m_login->failure() ? loginFailureText(*m_login->failure(), language) : QString();
    }

    bool ended() const
    {
        return m_login->phase() == AuthPhase::success || m_login->phase() == AuthPhase::failed;
    }

    /// Runs the national-ID flow for `input` until it succeeds or fails.
    void signInWith(const QString& input)
    {
        m_login->setNationalIdInput(input);
        m_login->startNationalIdFlow();
        ASSERT_TRUE(waitUntil([this] { return ended(); }, 15'000));
    }

    /// Chooses the QR tab and waits until its flow ends.
    void signInByQr()
    {
        m_login->selectTab(LoginTab::qrScan);
        ASSERT_TRUE(waitUntil([this] { return ended(); }, 15'000));
    }

    /// The next status reply is exactly `body`, after one "still running" reply.
    void scriptStatus(const QByteArray& body)
    {
        m_sim->setApproveAfterMs(60'000);
        m_sim->injectResponse(QStringLiteral("/api/status"), 200, "application/json",
                              R"({"state":"RUNNING"})");
        m_sim->injectResponse(QStringLiteral("/api/status"), 200, "application/json", body);
    }

    qsizetype requests(const char* path) const
    {
        return m_sim->requestsTo(QString::fromLatin1(path)).size();
    }

    /// A request already on its way may still arrive; after that nothing more may come, and the
    /// flow shows nothing.
    void expectQuietFromNowOn()
    {
        runEventLoopFor(300);
        const auto polls = requests("/api/status");
        const int countdown = m_login ? m_login->countdown() : 0;
        runEventLoopFor(2000); // well past the phone's answer
        EXPECT_EQ(requests("/api/status"), polls);
        EXPECT_EQ(m_state->screen(), AppScreen::login);
        if (m_login) {
            EXPECT_EQ(m_login->countdown(), countdown);
            EXPECT_EQ(m_login->phase(), AuthPhase::idle);
            EXPECT_TRUE(failureShown().isEmpty());
        }
    }

    std::unique_ptr<backendsim::BackendSim> m_sim;
    std::unique_ptr<api::APIClient> m_client;
    std::unique_ptr<LoginController> m_login;
    QList<AuthPhase> m_phases;
    QList<int> m_countdowns;
};

// Sign in by number, start again behind the presence check, sign out.
TEST_F(LoginControllerTest, ASignInByNumberIsStoredRestoredAndSignedOut)
{
    SimOutcome outcome;
    outcome.name = QStringLiteral("Доржийн Сараа");
    outcome.idNumber = QStringLiteral("ЖК87654321"); // the backend's own view of the number
    outcome.certificateLevel = QStringLiteral("ADVANCED");
    m_sim->scriptNextOutcome(outcome);
    bool stored = false;
    QObject::connect(m_state.get(), &AppState::identitySaved, &m_context,
                     [&](bool ok) { stored = ok; });
    signInWith(QStringLiteral(" \tуб99112233  "));
    ASSERT_EQ(m_login->phase(), AuthPhase::success) << failureShown().toStdString();
    const auto sent = m_sim->requestsTo(QStringLiteral("/api/login-notify"));
    ASSERT_EQ(sent.size(), 1);
    EXPECT_EQ(QJsonDocument::fromJson(sent.first().body).object().value("register").toString(),
              "УБ99112233");
    EXPECT_EQ(m_phases,
              QList<AuthPhase>({AuthPhase::initiating, AuthPhase::waiting, AuthPhase::success}));
    EXPECT_EQ(m_login->resultKycLevel(), "ADVANCED");

    // The success screen shows for 1.2 s before the dashboard.
    QElapsedTimer shown;
    shown.start();
    EXPECT_EQ(m_state->screen(), AppScreen::login);
    ASSERT_TRUE(waitUntil([&] { return m_state->screen() == AppScreen::dashboard; }));
    EXPECT_GE(shown.elapsed(), 1100);
    EXPECT_EQ(m_state->nationalId(), "УБ99112233"); // as typed, not the backend's
    EXPECT_EQ(m_state->civilId(), "ЖК87654321");
    ASSERT_TRUE(waitUntil([&] { return stored; }));
    const auto saved = StoredIdentity::decode(storedIdentity().value_or(""));
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(*saved, (StoredIdentity{"MN0012345", outcome.name, "ЖК87654321", "УБ99112233",
                                      "ADVANCED", saved->loginAt}));
    const auto sessions = m_state->dashboardData().value_or(DashboardData{}).sessions;
    ASSERT_EQ(sessions.size(), 1);
    EXPECT_EQ(sessions.first().sessionType, "AUTH");
    EXPECT_EQ(sessions.first().createdAt, "2026-01-05T10:11:12Z");

    auto relaunched = makeState();
    m_gate.asked = 0;
    ASSERT_TRUE(restore(*relaunched));
    EXPECT_EQ(m_gate.asked, 1);
    EXPECT_EQ(m_gate.lastReason, "Орвела нэвтрэлтийг сэргээх");
    EXPECT_EQ(relaunched->fullName(), outcome.name);
    // Member since the stored sign-in, not since this start.
    EXPECT_EQ(relaunched->dashboardData()->user.createdAt, saved->loginAt);
    EXPECT_EQ(relaunched->loadActivity().size(), 1); // the sign-in's record only

    m_state->setSessionId(QStringLiteral("session-1"));
    bool removed = false;
    QObject::connect(m_state.get(), &AppState::identityRemoved, &m_context,
                     [&](bool ok) { removed = ok; });
    m_state->signOut();
    ASSERT_TRUE(waitUntil([&] { return removed; }));
    EXPECT_EQ(m_state->screen(), AppScreen::login);
    for (const QString& field :
         {m_state->nationalId(), m_state->fullName(), m_state->civilId(), m_state->kycLevel(),
          m_state->sessionId(), m_state->documentNumber()}) {
        EXPECT_TRUE(field.isEmpty()) << field.toStdString();
    }
    EXPECT_FALSE(storedIdentity().has_value());
    EXPECT_FALSE(m_settings->contains(QStringLiteral("activity.sessions")));

    // An approval without a level or a number of its own: qualified, under the number typed.
    scriptStatus(R"({"state":"COMPLETE","endResult":"OK","documentNumber":"D1","name":"N"})");
    signInWith(QStringLiteral("УБ99112233"));
    ASSERT_EQ(m_login->phase(), AuthPhase::success);
    EXPECT_EQ(m_login->resultKycLevel(), "QUALIFIED");
    EXPECT_EQ(m_login->resultNationalId(), "УБ99112233");
}

// The phone's person is known from the status reply alone, so the signing page has a signer.
TEST_F(LoginControllerTest, QrSignInShowsTheCodeAndStoresNoNationalId)
{
    SimOutcome outcome;
    outcome.approveAfterMs = 800;
    m_sim->scriptNextOutcome(outcome);
    m_login->selectTab(LoginTab::qrScan);
    ASSERT_TRUE(waitUntil([this] { return !m_login->qrImage().isNull(); }));
    EXPECT_EQ(m_login->phase(), AuthPhase::idle); // the QR flow leaves the phase alone
    EXPECT_TRUE(m_login->qrText().startsWith(QStringLiteral("nuvia://auth?session=")));
    ASSERT_TRUE(waitUntil([this] { return ended(); }, 15'000));
    ASSERT_EQ(m_login->phase(), AuthPhase::success) << failureShown().toStdString();
    ASSERT_TRUE(waitUntil([&] { return m_state->screen() == AppScreen::dashboard; }));
    EXPECT_EQ(m_state->nationalId(), outcome.approverRegisterNumber); // falls back to civil ID
    EXPECT_EQ(m_state->civilId(), outcome.approverRegisterNumber);
    EXPECT_EQ(signing::SigningController(*m_state, *m_client).signerIdentifier(),
              outcome.approverRegisterNumber);
}

// A sign-in text no QR symbol can hold is a failure said in words; nobody waits for a scan.
TEST_F(LoginControllerTest, AQrTextTooLongToEncodeFailsAtOnce)
{
    const QByteArray text(8000, 'A'); // a version 40 symbol holds 2331 bytes at level M
    m_sim->injectResponse(QStringLiteral("/api/start"), 200, "application/json",
                          R"({"sessionId":"s1","qr":")" + text + R"(","vc":"12"})");
    signInByQr();
    EXPECT_EQ(m_login->phase(), AuthPhase::failed);
    EXPECT_EQ(failureShown(common::AppLanguage::en),
              "Could not create the QR code: The server's sign-in text "
              "is too long for a QR code. Try again later.");
    EXPECT_TRUE(failureShown().startsWith(qrPrefix));
    EXPECT_TRUE(m_login->qrImage().isNull());
    runEventLoopFor(300);
    EXPECT_EQ(requests("/api/status"), 0);
}

// Each failure on both tabs: a phone's answer is shown as it is, anything the client or the
// poller raised carries the QR tab's prefix there.
TEST_F(LoginControllerTest, FailuresBecomeTheirTextsOnBothTabs)
{
    const auto answer = [this](const char* code, const char* error = nullptr) {
        SimOutcome outcome;
        if (error != nullptr) {
            outcome.error = QString::fromLatin1(error);
        } else {
            outcome.endResult = QString::fromLatin1(code);
        }
        return std::function<void(bool)>(
            [this, outcome](bool) { m_sim->scriptNextOutcome(outcome); });
    };
    const auto fault = [this](const char* path, SimFault kind) {
        return std::function<void(bool)>([this, path, kind](bool qr) {
            const bool start = QByteArray(path) == "/api/login-notify";
            m_sim->injectFault(kind, QString::fromLatin1(qr && start ? "/api/start" : path));
        });
    };
    const auto reply = [this](const char* body) {
        return std::function<void(bool)>([this, body](bool) { scriptStatus(body); });
    };
    const struct {
        std::function<void(bool)> arrange;
        QString text;
        bool qrPrefix;
    } cases[] = {
        {answer("USER_REFUSED"), "Хэрэглэгч татгалзсан байна.", false},
        {answer("USER_REFUSED_INTERACTION"), "Хэрэглэгч татгалзсан байна.", false},
        {answer("TIMEOUT"), "Хугацаа дууслаа.", false},
        {answer("DOCUMENT_UNUSABLE"), "Баталгаажуулалт амжилтгүй (DOCUMENT_UNUSABLE).", false},
        {answer(nullptr, "account suspended"), "Сервер алдаа (200): account suspended", true},
        {fault("/api/login-notify", SimFault::malformedJson), "Серверийн хариу буруу байна.", true},
        {fault("/api/status", SimFault::badGatewayJson), "Сервер алдаа (502): upstream unavailable",
         true},
        // Approvals that lack what a sign-in needs; last, as they leave the phone slow.
        {reply(R"({"state":"COMPLETE","endResult":"OK"})"), "Баталгаажуулалт амжилтгүй (OK).",
         false},
        {reply(R"({"state":"COMPLETE"})"), "Баталгаажуулалт амжилтгүй.", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        c.arrange(false);
        signInWith(QStringLiteral("УБ99112233"));
        EXPECT_EQ(m_login->phase(), AuthPhase::failed);
        EXPECT_EQ(failureShown(), c.text);

        c.arrange(true);
        signInByQr();
        EXPECT_EQ(m_login->phase(), AuthPhase::failed);
        EXPECT_EQ(failureShown(), c.qrPrefix ? qrPrefix + c.text : c.text);
        m_login->selectTab(LoginTab::nationalIdPush);
    }
    EXPECT_EQ(m_state->screen(), AppScreen::login);
}

TEST_F(LoginControllerTest, TheWaitEndsAfterThePollLimitAndTheCountdownStopsAtZero)
{
    m_sim->setApproveAfterMs(60'000);
    m_login->setPollLimitForTesting(2s);
    signInWith(QStringLiteral("УБ99112233"));
    EXPECT_EQ(m_login->phase(), AuthPhase::failed);
    EXPECT_EQ(failureShown(), "Хүлээх хугацаа дууслаа.");
    m_countdowns.clear();
    signInByQr();
    EXPECT_EQ(failureShown(common::AppLanguage::en),
              "Could not create the QR code: The waiting time is over.");
    EXPECT_EQ(m_state->screen(), AppScreen::login);
    // On the QR tab the countdown goes on after the failure, down to 0 and no further.
    ASSERT_TRUE(waitUntil([this] { return m_login->countdown() == 0; }, 5'000));
    runEventLoopFor(1500);
    EXPECT_EQ(m_countdowns, QList<int>({2, 1, 0}));
    EXPECT_EQ(m_login->countdownText(), "0:00");
}

// Leaving the QR tab, cancelling, or destroying the controller ends the flow: nothing more is
// asked for and nothing is shown.
TEST_F(LoginControllerTest, LeavingCancellingOrDestroyingEndsTheFlowSilently)
{
    m_sim->setApproveAfterMs(1000);
    m_login->selectTab(LoginTab::qrScan);
    ASSERT_TRUE(waitUntil([this] { return !m_login->qrImage().isNull(); }));
    m_login->selectTab(LoginTab::qrScan); // already shown: the session goes on
    runEventLoopFor(100);
    EXPECT_EQ(requests("/api/start"), 1);
    m_login->selectTab(LoginTab::nationalIdPush);
    EXPECT_TRUE(m_login->qrImage().isNull());
    EXPECT_TRUE(m_login->verificationCode().isEmpty());
    expectQuietFromNowOn();
    EXPECT_EQ(requests("/api/start"), 1);
    m_login->selectTab(LoginTab::qrScan); // a fresh code each time the tab is entered
    ASSERT_TRUE(waitUntil([this] { return requests("/api/start") == 2; }));
    m_login->selectTab(LoginTab::nationalIdPush);

    m_login->setNationalIdInput(QStringLiteral("УБ99112233"));
    m_login->startNationalIdFlow();
    ASSERT_TRUE(waitUntil([this] { return m_login->phase() == AuthPhase::waiting; }));
    EXPECT_FALSE(m_login->verificationCode().isEmpty());
    m_login->resetFlow();
    EXPECT_TRUE(m_login->verificationCode().isEmpty());
    expectQuietFromNowOn();

    // Cancelled while the first request is still out.
    m_sim->injectFault(SimFault::slow, QStringLiteral("/api/login-notify"), 1, 800);
    m_login->startNationalIdFlow();
    EXPECT_EQ(m_login->phase(), AuthPhase::initiating);
    runEventLoopFor(100);
    m_login->resetFlow();
    expectQuietFromNowOn();

    // A controller destroyed mid-flow calls nothing back.
    m_login->startNationalIdFlow();
    ASSERT_TRUE(waitUntil([this] { return m_login->phase() == AuthPhase::waiting; }));
    m_login.reset();
    expectQuietFromNowOn();
}

TEST_F(LoginControllerTest, AConnectionRefusedByThePinCheckFailsAndSaysWhy)
{
    // Qt reports the refusal as a cancelled transfer, which a cancelled flow also gives.
    const apitest::TestPki pki;
    m_sim = std::make_unique<backendsim::BackendSim>();
    m_sim->useTls(pki.chain(QStringLiteral("p256")), pki.leaf(QStringLiteral("p256")).key);
    ASSERT_NE(m_sim->start(), 0);
    m_settings->setValue(settings::securityTlsPinning.toString(), true);
    api::APIClientOptions options;
    options.caCertificates = {pki.root()};
    options.extraPins = {apitest::TestPki::spkiPin(pki.leaf(QStringLiteral("p384")).certificate)};
    useClient(options);

    signInWith(QStringLiteral("УБ99112233"));
    EXPECT_EQ(m_login->phase(), AuthPhase::failed);
    EXPECT_EQ(failureShown(common::AppLanguage::en),
              "The server's certificate does not match the pinned key; "
              "the connection was refused.");
    EXPECT_TRUE(m_sim->requests().isEmpty());
}

} // namespace
