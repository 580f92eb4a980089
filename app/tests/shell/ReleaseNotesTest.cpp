#include "QtPrinters.h"
#include "Screenshot.h"
#include "common/SettingsKeys.h"
#include "shell/Changelog.h"
#include "shell/ReleaseNotesGate.h"
#include "shell/WhatsNewView.h"

#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orvela::shell;

namespace {

class ReleaseNotesTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QSettings store{dir.filePath("s.ini"), QSettings::IniFormat};
};

TEST_F(ReleaseNotesTest, AVersionOfBlanksCountsAsNone)
{
    EXPECT_FALSE(ReleaseNotesGate(&store, "   ").takeStartupDecision());
    EXPECT_FALSE(store.contains(orvela::settings::whatsNewLastSeenVersion.toString()));
}

TEST_F(ReleaseNotesTest, TheSheetShowsTheVersionAndCloses)
{
    WhatsNewView view(releaseHistory(), "1.0.0");
    view.show();
    auto* version = view.findChild<QLabel*>("whatsNewVersion");
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->text(), "Nuvia v1.0.0");
    // The sheet has fixed texts, so one picture serves both languages.
    ASSERT_FALSE(orvela::testing::saveScreenshot(view, "whats-new").isEmpty());
    auto* done = view.findChild<QPushButton*>("whatsNewDone");
    ASSERT_NE(done, nullptr);
    done->click();
    EXPECT_FALSE(view.isVisible());
    EXPECT_EQ(view.result(), QDialog::Accepted);
}

} // namespace
