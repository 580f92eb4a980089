// The support page's diagnostics section over a real run: it fills in as checks finish, copies
// and saves the same report, and is pictured in both languages.

#include "dashboard/views/DiagnosticsSection.h"

#include "AnsweringPrompts.h"
#include "BackendSim.h"
#include "EventLoop.h"
#include "Screenshot.h"
#include "api/APIClient.h"
#include "common/LocalizationService.h"
#include "diagnostics/DiagnosticsController.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace orvela::diagtest {

bool waitForVirtualCard();

TEST(DiagnosticsSection, FillsInThenCopiesAndSavesTheSameReportInBothLanguages)
{
    ASSERT_TRUE(waitForVirtualCard());
    backendsim::BackendSim sim;
    sim.setClockSkewSeconds(-3600);
    ASSERT_NE(sim.start(), 0);
    api::APIClientOptions options;
    options.fixedBaseUrl = sim.baseUrl();
    api::APIClient client(options);
    QTemporaryDir dir;
    QSettings store(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);

    for (const auto language : {common::AppLanguage::en, common::AppLanguage::mn}) {
        common::LocalizationService localization(&store);
        localization.setLanguage(language);
        diagnostics::DiagnosticsEnvironment environment;
        environment.version = QStringLiteral("1.0.0");
        environment.build = QStringLiteral("—");
        environment.language = language;
        environment.api = &client;
        environment.settingsPath = store.fileName();
        environment.limitMs = 3000;
        diagnostics::DiagnosticsController controller(environment);
        testing::AnsweringPrompts::Answers answers;
        answers.savePath = dir.filePath(QStringLiteral("report.txt"));
        testing::AnsweringPrompts prompts(answers);
        dashboard::views::DiagnosticsSection section(controller, prompts, localization);
        section.resize(760, 400);

        auto* copy = section.findChild<QPushButton*>(QStringLiteral("diagCopy"));
        EXPECT_FALSE(copy->isEnabled()); // nothing to copy before a run
        qsizetype filled = 0;
        QObject::connect(&controller, &diagnostics::DiagnosticsController::changed, &section, [&] {
            filled = section.findChildren<QLabel*>(QStringLiteral("diagSummary")).size();
        });
        section.findChild<QPushButton*>(QStringLiteral("diagRun"))->click();
        EXPECT_FALSE(copy->isEnabled());
        ASSERT_TRUE(testing::waitUntil([&] { return !controller.isRunning(); }, 10000));
        EXPECT_EQ(filled, 10);
        // The clock an hour behind is the section's problem, with what to do about it.
        const QString clockOff = localization.localized(QStringLiteral("Diag_Backend_ClockOff"));
        const auto summaries = section.findChildren<QLabel*>(QStringLiteral("diagSummary"));
        EXPECT_TRUE(std::any_of(summaries.begin(), summaries.end(),
                                [&](QLabel* label) { return label->text() == clockOff; }));

        copy->click();
        EXPECT_EQ(QApplication::clipboard()->text(), controller.reportText(language));
        EXPECT_TRUE(QApplication::clipboard()->text().contains(QStringLiteral("-3600 s")));
        section.findChild<QPushButton*>(QStringLiteral("diagSave"))->click();
        ASSERT_TRUE(
            testing::waitUntil([&] { return !controller.statusKey().contains(u"Copied"); }));
        EXPECT_EQ(controller.statusKey(), "Diag_Saved");
        QFile saved(answers.savePath);
        ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
        EXPECT_EQ(QString::fromUtf8(saved.readAll()), controller.reportText(language));
        // A place that cannot be written says so and leaves nothing behind.
        answers.savePath = dir.filePath(QStringLiteral("missing/report.txt"));
        section.findChild<QPushButton*>(QStringLiteral("diagSave"))->click();
        ASSERT_TRUE(testing::waitUntil([&] { return controller.statusIsError(); }));
        EXPECT_EQ(controller.statusKey(), "Diag_SaveFailed");
        EXPECT_FALSE(QFile::exists(answers.savePath));
        answers.savePath = dir.filePath(QStringLiteral("report.txt"));
        section.findChild<QPushButton*>(QStringLiteral("diagSave"))->click();
        ASSERT_TRUE(testing::waitUntil([&] { return !controller.statusIsError(); }));

        EXPECT_FALSE(testing::saveScreenshot(
                         section, QStringLiteral("support-diagnostics-%1")
                                      .arg(language == common::AppLanguage::en ? "en" : "mn"))
                         .isEmpty());
    }
}

} // namespace orvela::diagtest
