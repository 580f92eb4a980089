#include "FeedServer.h"
#include "QtPrinters.h"
#include "Screenshot.h"
#include "common/LocalizationService.h"
#include "common/SettingsKeys.h"
#include "shell/UpdateChecker.h"
#include "shell/UpdateInfoView.h"
#include "shell/UpdateViewModel.h"

#include <QApplication>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace orvela::shell;
using orvela::common::AppLanguage;
using orvela::common::LocalizationService;
using orvela::shell::testing::FeedServer;

namespace {

const QDateTime kNow(QDate(2026, 3, 7), QTime(9, 5), Qt::LocalTime);

class UpdateInfoTest : public ::testing::Test {
protected:
    UpdateInfoTest()
    {
        server.body = orvela::shell::testing::appcastWithEnclosure("2.0.0", "https://dl/2");
        QApplication::setApplicationVersion("1.0.0");
    }
    ~UpdateInfoTest() override { QApplication::setApplicationVersion(QString()); }

    QString settingsPath() const { return dir.filePath("s.ini"); }

    QTemporaryDir dir;
    QSettings store{settingsPath(), QSettings::IniFormat};
    LocalizationService localization{&store};
    QNetworkAccessManager network;
    FeedServer server;
    UpdateChecker checker{&network, server.url(), "1.0.0"};
};

TEST_F(UpdateInfoTest, TheButtonRecordsTheTimeOnlyAfterTheCheckFinished)
{
    server.hold = true;
    UpdateViewModel model(&store, &checker);
    model.setClock([] { return kNow; });
    UpdateInfoView view(model, localization);
    view.show();
    auto* button = view.findChild<QToolButton*>("versionButton");
    auto* lastChecked = view.findChild<QLabel*>("lastChecked");
    EXPECT_EQ(button->text(), "v1.0.0");
    EXPECT_FALSE(lastChecked->isVisible());

    button->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests == 1; }, 10000));
    // The feed has not answered: nothing recorded yet, and the button waits.
    EXPECT_TRUE(model.isChecking());
    EXPECT_FALSE(button->isEnabled());
    EXPECT_FALSE(store.contains(orvela::settings::lastUpdateCheck.toString()));
    EXPECT_FALSE(lastChecked->isVisible());

    QSignalSpy changed(&model, &UpdateViewModel::changed);
    server.release();
    ASSERT_TRUE(changed.wait(10000));
    EXPECT_EQ(store.value(orvela::settings::lastUpdateCheck.toString()).toString(), "03/07 09:05");
    EXPECT_TRUE(lastChecked->isVisible());
    EXPECT_EQ(lastChecked->text(), "Шалгасан 03/07 09:05");
    auto* available = view.findChild<QLabel*>("updateAvailable");
    EXPECT_TRUE(available->isVisible());
    EXPECT_TRUE(available->text().contains("https://dl/2"));
    EXPECT_TRUE(button->isEnabled());
    ASSERT_FALSE(orvela::testing::saveScreenshot(view, "update-info-mn").isEmpty());

    localization.setLanguage(AppLanguage::en);
    EXPECT_EQ(lastChecked->text(), "Checked 03/07 09:05");
    EXPECT_TRUE(available->text().contains("Update available"));
    ASSERT_FALSE(orvela::testing::saveScreenshot(view, "update-info-en").isEmpty());
}

TEST_F(UpdateInfoTest, AFailedOrImpossibleCheckRecordsNothing)
{
    server.status = 500;
    UpdateViewModel model(&store, &checker);
    QSignalSpy changed(&model, &UpdateViewModel::changed);
    ASSERT_TRUE(model.checkNow());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model.isChecking() && changed.size() >= 2; }, 10000));
    EXPECT_FALSE(store.contains(orvela::settings::lastUpdateCheck.toString()));
    EXPECT_TRUE(model.lastCheckDate().isEmpty());
    EXPECT_FALSE(model.updateAvailable());

    UpdateChecker noFeed(&network, QUrl(), "1.0.0");
    UpdateViewModel idle(&store, &noFeed);
    EXPECT_FALSE(idle.checkNow());
    EXPECT_TRUE(idle.lastCheckDate().isEmpty());
}

TEST_F(UpdateInfoTest, TheLastCheckSurvivesARestart)
{
    {
        UpdateViewModel model(&store, &checker);
        model.setClock([] { return kNow; });
        QSignalSpy changed(&model, &UpdateViewModel::changed);
        ASSERT_TRUE(model.checkNow());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !model.lastCheckDate().isEmpty(); }, 10000));
    }
    QSettings reopened(settingsPath(), QSettings::IniFormat);
    UpdateViewModel later(&reopened, &checker);
    EXPECT_EQ(later.lastCheckDate(), "03/07 09:05");
    EXPECT_FALSE(later.updateAvailable());
}

} // namespace
