// The home page's backend check against the simulator and the lock page's confirmation.

#include "../support/Markup.h"
#include "../support/QtPrinters.h"
#include "AnsweringPrompts.h"
#include "BackendSim.h"
#include "DashboardFixture.h"
#include "api/APIClient.h"
#include "components/InlineBanner.h"
#include "dashboard/views/HomeController.h"
#include "dashboard/views/HomeView.h"
#include "dashboard/views/LockController.h"
#include "dashboard/views/LockView.h"
#include "session/StoredIdentity.h"

#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>

using namespace orvela;
using namespace orvela::dashboard::views;
using common::AppLanguage;
using components::Tone;
using dashboardtest::waitUntil;

namespace {

QDateTime fixedClock()
{
    return QDateTime(QDate(2026, 1, 5), QTime(18, 11, 12));
}

class HomeTest : public dashboardtest::DashboardFixture {
protected:
    void SetUp() override
    {
        m_sim = std::make_unique<backendsim::BackendSim>();
        ASSERT_NE(m_sim->start(), 0);
        m_client = clientFor(m_sim->baseUrl());
    }

    std::unique_ptr<api::APIClient> clientFor(const QString& baseUrl)
    {
        api::APIClientOptions options;
        options.settings = m_settings.get();
        options.fixedBaseUrl = baseUrl;
        return std::make_unique<api::APIClient>(options);
    }

    int healthRequests() const
    {
        int count = 0;
        for (const auto& request : m_sim->requests()) {
            count += request.path == u"/api/health" ? 1 : 0;
        }
        return count;
    }

    std::unique_ptr<backendsim::BackendSim> m_sim;
    std::unique_ptr<api::APIClient> m_client;
};

// The page checks while it shows and cancels on leaving; what the check found is said: a
// reachable, a failing, a stopped and a missing backend.
TEST_F(HomeTest, ThePageChecksWhileShownAndSaysWhatItFound)
{
    setLanguage(common::AppLanguage::en);
    m_sim->injectFault(backendsim::SimFault::slow, QStringLiteral("/api/health"), 1, 600);
    // The page cancels the check when it hides, so the controller must outlive the stack.
    HomeController home(m_client.get(), fixedClock);
    EXPECT_EQ(home.statusVariant(), Tone::neutral);
    EXPECT_EQ(home.statusKey(), "Home_Status_Checking");
    EXPECT_FALSE(home.lastCheckedAt().isValid());
    QStackedWidget stack;
    auto* other = new QLabel(QStringLiteral("another page"));
    stack.addWidget(other);
    auto* page = new HomeView(home, *m_state, *m_localization);
    stack.addWidget(page);
    stack.show();
    EXPECT_FALSE(home.isChecking());

    stack.setCurrentWidget(page);
    EXPECT_TRUE(home.isChecking());
    ASSERT_TRUE(waitUntil([&] { return healthRequests() == 1; }));
    stack.setCurrentWidget(other);
    EXPECT_FALSE(home.isChecking());
    dashboardtest::runEventLoopFor(900);
    EXPECT_EQ(home.statusKey(), "Home_Status_Checking");

    // Coming back starts a new check, which now answers at once.
    stack.setCurrentWidget(page);
    EXPECT_TRUE(home.isChecking());
    ASSERT_TRUE(waitUntil([&] { return !home.isChecking(); }));
    EXPECT_EQ(healthRequests(), 2);
    EXPECT_EQ(home.statusKey(), "Home_Status_Healthy");
    EXPECT_EQ(home.statusVariant(), Tone::success);
    EXPECT_EQ(home.lastCheckedAt(), fixedClock());
    EXPECT_GE(orvela::testing::labelsShowing(*page, "Jan 5, 2026, 6:11 PM"), 1);
    EXPECT_EQ(home.backendVersion(), "—");
    EXPECT_EQ(page->findChild<QLabel*>(QStringLiteral("backendStatus"))->text(), "Connected");

    const auto refresh = [&](HomeController& controller) {
        controller.check();
        EXPECT_EQ(controller.statusKey(), "Home_Status_Checking");
        EXPECT_TRUE(waitUntil([&] { return !controller.isChecking(); }));
        return controller.statusKey();
    };
    m_sim->injectResponse(QStringLiteral("/api/health"), 503, "application/json", "{}");
    page->findChild<QPushButton*>(QStringLiteral("homeRefresh"))->click();
    ASSERT_TRUE(waitUntil([&] { return healthRequests() == 3 && !home.isChecking(); }));
    EXPECT_EQ(home.statusKey(), "Home_Status_Unreachable");
    EXPECT_EQ(home.statusVariant(), Tone::danger);
    EXPECT_EQ(refresh(home), "Home_Status_Healthy");

    // The port of a server that has stopped: nothing listens there any more.
    const QString gone = m_sim->baseUrl();
    m_sim.reset();
    auto client = clientFor(gone);
    HomeController stopped(client.get(), fixedClock);
    EXPECT_EQ(refresh(stopped), "Home_Status_Unreachable");
    EXPECT_EQ(stopped.lastCheckedAt(), fixedClock());
    HomeController offline(nullptr, fixedClock);
    EXPECT_EQ(refresh(offline), "Home_Status_Unreachable");
}

class LockTest : public dashboardtest::DashboardFixture {};

TEST_F(LockTest, ConfirmingSignsOutAndRefusingChangesNothing)
{
    m_state->signIn(session::StoredIdentity{
        QStringLiteral("MN1"), QStringLiteral("Болд"), QStringLiteral("ИБ1"), QStringLiteral("УБ1"),
        QStringLiteral("DAN"), QStringLiteral("2026-01-05T09:00:00Z")});
    ASSERT_EQ(m_state->screen(), session::AppScreen::dashboard);
    m_state->setSelectedTab(session::DashboardTab::lock);
    orvela::testing::AnsweringPrompts::Answers confirmation;
    confirmation.hold = true;
    orvela::testing::AnsweringPrompts prompts(confirmation);
    LockController controller(*m_state, *m_localization, prompts);
    LockView page(controller, *m_state, *m_localization);
    page.show();
    auto* lock = page.findChild<QPushButton*>(QStringLiteral("lockButton"));

    lock->click();
    ASSERT_EQ(confirmation.confirmations, 1);
    confirmation.held(false);
    EXPECT_EQ(m_state->screen(), session::AppScreen::dashboard);
    EXPECT_TRUE(m_state->dashboardData().has_value());

    // While the question is open, another press asks nothing more.
    lock->click();
    lock->click();
    ASSERT_EQ(confirmation.confirmations, 2);
    confirmation.held(true);
    EXPECT_EQ(m_state->screen(), session::AppScreen::login);
    EXPECT_FALSE(m_state->dashboardData().has_value());
    EXPECT_TRUE(m_state->fullName().isEmpty());
    EXPECT_EQ(m_state->selectedTab(), session::DashboardTab::lock);
}

// Signing out clears the activity log on this computer: the lock page and the sign-out entries
// say so before they act, in the interface language.
TEST_F(LockTest, BothQuestionsSayTheActivityLogIsCleared)
{
    using Purpose = LockController::Purpose;
    struct Case {
        Purpose purpose;
        AppLanguage language;
        QStringList words; ///< title, the message's last paragraph, confirm label
    };
    const Case cases[] = {
        {Purpose::lock,
         AppLanguage::en,
         {"Lock your account?", "The activity log on this computer is cleared.", "Lock account"}},
        {Purpose::signOut,
         AppLanguage::en,
         {"Sign out?", "The activity log on this computer is cleared.", "Sign out"}},
        {Purpose::lock,
         AppLanguage::mn,
         {"Бүртгэлээ түгжих үү?", "Энэ компьютер дээрх үйл ажиллагааны түүх устгагдана.",
          "Бүртгэл түгжих"}},
        {Purpose::signOut,
         AppLanguage::mn,
         {"Гарах уу?", "Энэ компьютер дээрх үйл ажиллагааны түүх устгагдана.", "Гарах"}},
    };
    for (const Case& c : cases) {
        setLanguage(c.language);
        orvela::testing::AnsweringPrompts::Answers confirmation;
        confirmation.hold = true;
        orvela::testing::AnsweringPrompts prompts(confirmation);
        LockController controller(*m_state, *m_localization, prompts, nullptr, c.purpose);
        controller.requestLock();
        ASSERT_EQ(confirmation.confirmations, 1);
        const QStringList paragraphs = confirmation.words.value(1).split(QStringLiteral("\n\n"));
        EXPECT_EQ((QStringList{confirmation.words.value(0), paragraphs.last(),
                               confirmation.words.value(2)}),
                  c.words);
        confirmation.held(false);
    }
}

} // namespace
