// What the update check shows: the menus and the version line, the outcome window and the
// release notes.

#include "QtPrinters.h"
#include "Screenshot.h"
#include "UpdateFixture.h"
#include "common/SettingsKeys.h"
#include "shell/TrayMenuController.h"
#include "updates/Changelog.h"
#include "updates/ReleaseNotesGate.h"
#include "updates/UpdateOutcome.h"
#include "updates/UpdateSchedule.h"
#include "updates/UpdateViewModel.h"
#include "updates/views/UpdateInfoView.h"
#include "updates/views/UpdateMenuActions.h"
#include "updates/views/UpdateOutcomeView.h"
#include "updates/views/WhatsNewView.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace orvela::shell;
using namespace orvela::updates;
using namespace orvela::updates::views;
using orvela::common::AppLanguage;
using orvela::shell::testing::appcast;
using orvela::shell::testing::appcastWithEnclosure;
using orvela::shell::testing::FeedServer;
using orvela::shell::testing::hasCyrillic;
using orvela::shell::testing::UpdateTest;
using Status = UpdateCheckResult::Status;
using Failure = UpdateCheckResult::Failure;
using Wait = orvela::api::TransportError::Wait;
using Mode = FeedServer::Mode;

namespace {

// The window menu's item and the tray's line are there without a feed address, disabled and
// saying why; with one, a check runs at a time, and the time is recorded only after a check that
// read the feed, and outlives a restart.
TEST_F(UpdateTest, TheMenusOfferTheCheckAlwaysAndSayWhyItIsOff)
{
    QApplication::setApplicationVersion("1.0.0");
    const QDateTime now(QDate(2026, 3, 7), QTime(9, 5), Qt::LocalTime);
    const QString lastCheck = orvela::settings::lastUpdateCheck.toString();
    UpdateChecker checker(client, QUrl(), "1.0.0");
    UpdateViewModel model(&store(), &checker);
    model.setClock([&] { return now; });
    UpdateMenuActions actions(model, localization);
    TrayMenuController trayMenu(controller.get());
    trayMenu.setCheckForUpdates(actions.checkForUpdatesAction());
    QAction* check = actions.checkForUpdatesAction();
    const auto trayLine = [&trayMenu] {
        for (const MenuEntry& entry : trayMenu.entries()) {
            if (entry.id == MenuEntryId::checkForUpdates) {
                return entry;
            }
        }
        return MenuEntry{};
    };
    for (const auto& [language, why] :
         {std::pair{AppLanguage::mn, "Шинэчлэлтийн эх сурвалж тохируулаагүй байна."},
          std::pair{AppLanguage::en, "No update feed is set."}}) {
        localization.setLanguage(language);
        EXPECT_TRUE(check->isVisible());
        EXPECT_FALSE(check->isEnabled());
        EXPECT_EQ(check->toolTip(), QString::fromUtf8(why));
        EXPECT_EQ(trayLine().text, check->text());
        EXPECT_FALSE(trayLine().enabled);
        EXPECT_EQ(trayLine().toolTip, QString::fromUtf8(why));
    }
    QUrl closed;
    {
        FeedServer gone; // its port, free again: nobody listens there
        closed = gone.url();
    }
    checker.setFeedUrl(closed);
    EXPECT_TRUE(trayLine().enabled);
    UpdateInfoView view(model, localization);
    view.show();
    auto* button = view.findChild<QToolButton*>("versionButton");
    auto* lastChecked = view.findChild<QLabel*>("lastChecked");

    QSignalSpy outcomes(&model, &UpdateViewModel::outcomeReady);
    trayMenu.trigger(MenuEntryId::checkForUpdates);
    ASSERT_TRUE(outcomes.wait(10000));
    const auto refused = outcomes.takeFirst().first().value<UpdateCheckResult>();
    EXPECT_EQ(refused.failure, Failure::transfer);
    EXPECT_EQ(failureReason(refused, AppLanguage::en), "The update server could not be reached.");
    EXPECT_FALSE(store().contains(lastCheck));
    EXPECT_FALSE(model.updateAvailable());

    checker.setFeedUrl(server.url());
    server.body = appcastWithEnclosure("2.0.0", "https://127.0.0.1/2");
    button->click();
    EXPECT_FALSE(button->isEnabled());
    EXPECT_FALSE(check->isEnabled());
    EXPECT_EQ(check->toolTip(), "Checking…");
    EXPECT_FALSE(model.checkNow());
    EXPECT_FALSE(lastChecked->isVisible());
    ASSERT_TRUE(outcomes.wait(10000));
    EXPECT_EQ(server.requests, 1);
    EXPECT_TRUE(button->isEnabled());
    EXPECT_TRUE(check->isEnabled());
    EXPECT_TRUE(lastChecked->isVisible());
    const auto* available = view.findChild<QLabel*>("updateAvailable");
    EXPECT_TRUE(available->text().contains("https://127.0.0.1/2"));
    // Tab reaches the download link, as it does every other link.
    EXPECT_TRUE(available->textInteractionFlags().testFlag(Qt::LinksAccessibleByKeyboard));
    EXPECT_EQ(lastChecked->text(), "Checked Mar 7, 2026, 9:05 AM");
    ASSERT_FALSE(orvela::testing::saveScreenshot(view, "update-info-en").isEmpty());
    localization.setLanguage(AppLanguage::mn);
    EXPECT_EQ(lastChecked->text(), "Шалгасан 2026.03.07 09:05");
    ASSERT_FALSE(orvela::testing::saveScreenshot(view, "update-info-mn").isEmpty());
    QSettings reopened(store().fileName(), QSettings::IniFormat);
    EXPECT_EQ(UpdateViewModel(&reopened, &checker).lastCheckDate(),
              now.toUTC().toString(Qt::ISODate));

    QSignalSpy notes(&actions, &UpdateMenuActions::releaseNotesRequested);
    actions.releaseHistoryAction()->trigger();
    EXPECT_EQ(notes.size(), 1);
    QApplication::setApplicationVersion(QString());
}

// A person's check always answers; the schedule's own check speaks only of a new version, and
// records the time of every read of the feed either way. The three answers are drawn in both
// languages.
TEST_F(UpdateTest, APersonHearsEveryOutcomeTheScheduleOnlyNews)
{
    const struct {
        const char* name;
        QByteArray body;
        const char* english;
        const char* mongolian;
    } outcomes[] = {
        {"uptodate", appcastWithEnclosure("1.0.0", "https://127.0.0.1/1"),
         "Version 1.0.0 is the newest release.", "1.0.0 хувилбар хамгийн сүүлийнх нь байна."},
        {"available",
         appcast("<item><sparkle:version>1.2.0</sparkle:version>"
                 "<description>&lt;p&gt;Signing is faster.&lt;/p&gt;&lt;p&gt;Tokens "
                 "&amp;amp; readers are found sooner.&lt;/p&gt;</description>"
                 "<link>https://127.0.0.1/dl/orvela-1.2.0.deb</link></item>"),
         "Version 1.2.0 is available; you have version 1.0.0.",
         "1.2.0 хувилбар гарсан байна; таных 1.0.0 хувилбар."},
        {"failed", "<html>portal</html>", "The update address did not return an update feed.",
         "Шинэчлэлтийн хаягаас шинэчлэлтийн мэдээлэл ирсэнгүй."},
    };
    const QString lastCheck = orvela::settings::lastUpdateCheck.toString();
    UpdateChecker checker(client, server.url(), "1.0.0");
    UpdateViewModel model(&store(), &checker);
    UpdateSchedule schedule(&model, true);
    schedule.setFirstCheckDelay(0);
    QSignalSpy finished(&checker, &UpdateChecker::checkFinished);
    QSignalSpy heard(&model, &UpdateViewModel::outcomeReady);
    UpdateOutcomeView view(localization);
    for (const auto& o : outcomes) {
        SCOPED_TRACE(o.name);
        server.body = o.body;
        store().remove(lastCheck);
        // The schedule's check first (its first one, then as its daily timer would ask): quiet
        // unless there is news.
        if (&o == &outcomes[0]) {
            schedule.start();
        } else {
            EXPECT_TRUE(model.checkNow(CheckOrigin::automatic));
        }
        ASSERT_TRUE(finished.wait(10000));
        finished.clear();
        const bool news = QByteArray(o.name) == "available";
        EXPECT_EQ(heard.size(), news ? 1 : 0);
        EXPECT_EQ(store().contains(lastCheck), QByteArray(o.name) != "failed");
        heard.clear();

        EXPECT_TRUE(model.checkNow());
        ASSERT_TRUE(heard.wait(10000));
        finished.clear();
        const auto result = heard.takeFirst().first().value<UpdateCheckResult>();
        view.setResult(result, "1.0.0");
        for (const auto& [language, message, suffix] :
             {std::tuple{AppLanguage::en, o.english, "en"},
              std::tuple{AppLanguage::mn, o.mongolian, "mn"}}) {
            localization.setLanguage(language);
            EXPECT_EQ(view.findChild<QLabel*>("updateOutcomeMessage")->text(),
                      QString::fromUtf8(message));
            EXPECT_EQ(hasCyrillic(view.windowTitle()), language == AppLanguage::mn);
            EXPECT_EQ(view.findChild<QPushButton*>("updateOutcomeDownload")->isVisibleTo(&view),
                      news);
            ASSERT_FALSE(orvela::testing::saveScreenshot(
                             view, QStringLiteral("update-%1-%2").arg(o.name, suffix))
                             .isEmpty());
        }
        if (news) {
            EXPECT_EQ(view.findChild<QPlainTextEdit*>("updateOutcomeNotes")->toPlainText(),
                      "Signing is faster.\nTokens & readers are found sooner.");
            EXPECT_EQ(view.findChild<QLabel*>("updateOutcomeLink")->text(),
                      "https://127.0.0.1/dl/orvela-1.2.0.deb");
        }
    }
    // Without a feed address a person's check cannot start, and hears why at once.
    checker.setFeedUrl(QUrl());
    EXPECT_FALSE(model.checkNow());
    ASSERT_EQ(heard.size(), 1);
    EXPECT_EQ(failureReason(heard.first().first().value<UpdateCheckResult>(), AppLanguage::en),
              "No update feed is set.");
    EXPECT_FALSE(model.checkNow(CheckOrigin::automatic));
    EXPECT_EQ(heard.size(), 1);
}

// The sheet names the program and its version; each language shows its own texts only. A
// version of blanks counts as none.
TEST_F(UpdateTest, TheReleaseNotesOfAVersionInBothLanguages)
{
    EXPECT_FALSE(ReleaseNotesGate(&store(), "   ").takeStartupDecision());
    EXPECT_FALSE(store().contains(orvela::settings::whatsNewLastSeenVersion.toString()));

    WhatsNewView view(releaseHistory(), "1.0.0", localization);
    view.show();
    EXPECT_EQ(view.findChild<QLabel*>("whatsNewVersion")->text(), "Orvela Desktop v1.0.0");
    for (const auto& [language, title, released, suffix] :
         {std::tuple{AppLanguage::en, "What's New", "Apr 16, 2026", "en"},
          std::tuple{AppLanguage::mn, "Шинэчлэлт", "2026.04.16", "mn"}}) {
        localization.setLanguage(language);
        EXPECT_EQ(view.windowTitle(), QString::fromUtf8(title));
        QStringList shown;
        for (const QLabel* label : view.findChildren<QLabel*>()) {
            shown << label->text();
            if (language == AppLanguage::en) {
                EXPECT_FALSE(hasCyrillic(label->text())) << label->text().toStdString();
            }
        }
        EXPECT_TRUE(shown.contains(released)) << shown.join('|').toStdString();
        ASSERT_FALSE(
            orvela::testing::saveScreenshot(view, QStringLiteral("whats-new-%1").arg(suffix))
                .isEmpty());
    }
    EXPECT_EQ(view.findChild<QPushButton*>("whatsNewDone")->text(), "Ойлголоо");
    view.findChild<QPushButton*>("whatsNewDone")->click();
    EXPECT_FALSE(view.isVisible());
    EXPECT_EQ(view.result(), QDialog::Accepted);
}

} // namespace
