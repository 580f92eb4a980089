// Demo mode's simulator and virtual token come from a plugin that only --demo loads.

#include "desktop/DemoMode.h"

#include "common/LocalizationService.h"
#include "desktop/demo/DemoPluginLoader.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace orvela;

namespace {

/// File names of the shared objects a run of the program loaded, from the dynamic loader's own
/// account (LD_DEBUG=libs), so libraries pulled in indirectly count too; each behind a blank.
QString librariesLoadedBy(const QStringList& arguments, const QString& home)
{
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("libs"));
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(ORVELA_FIRST_PAINT_PATH), arguments);
    EXPECT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitCode(), 0);
    const QString output = QString::fromUtf8(program.readAllStandardOutput());
    EXPECT_TRUE(output.contains(QStringLiteral("first-paint-ms"))) << output.toStdString();
    QString loaded;
    static const QRegularExpression init(QStringLiteral("calling init: (\\S+)"));
    auto lines = init.globalMatch(QString::fromUtf8(program.readAllStandardError()));
    while (lines.hasNext()) {
        loaded += u' ' + lines.next().captured(1).section(QLatin1Char('/'), -1);
    }
    return loaded;
}

TEST(DemoPlugin, OnlyADemoStartLoadsTheSimulatorAndTheVirtualToken)
{
    const QStringList developmentCode{QStringLiteral("libQt6HttpServer"),
                                      QStringLiteral("libQt6WebSockets"),
                                      QString::fromLatin1(demo::demoPluginFileName)};
    struct Case {
        QStringList arguments;
        bool demo;
    };
    for (const Case& run : {Case{{}, false}, Case{{QStringLiteral("--demo")}, true}}) {
        SCOPED_TRACE(run.demo ? "--demo" : "normal start");
        QTemporaryDir home;
        const QString loaded = librariesLoadedBy(run.arguments, home.path());
        // The loader's account is there at all: the program's own toolkit is in it.
        ASSERT_TRUE(loaded.contains(QStringLiteral(" libQt6Widgets"))) << loaded.toStdString();
        for (const QString& library : developmentCode) {
            EXPECT_EQ(loaded.contains(u' ' + library), run.demo) << library.toStdString();
        }
    }
}

// Without its package the demo says which package brings it; a broken file is named.
TEST(DemoMode, AMissingPluginStopsTheDemoAndNamesWhatIsMissing)
{
    QTemporaryDir dir;
    const QString nowhere = dir.filePath(QStringLiteral("nowhere/orvela-desktop-demo.so"));
    // This test program has no plugin beside it, as a machine without the package has none.
    for (const auto& [plugin, named] : {std::pair{QString(), QStringLiteral("orvela-desktop-demo")},
                                        std::pair{nowhere, nowhere}}) {
        SCOPED_TRACE(named.toStdString());
        desktop::DemoMode demo(dir.filePath(QStringLiteral("demo")), plugin);
        const auto failure = demo.prepare();
        ASSERT_TRUE(failure.has_value());
        const QString error = common::LocalizationService::shared().localized(*failure);
        EXPECT_TRUE(error.contains(named)) << error.toStdString();
    }
}

} // namespace

namespace {

// The demo trusts the copies its simulator signs through the authority the plugin hands out,
// only while that simulator runs, and the same authority from one run to the next.
TEST(DemoPlugin, HandsOutTheAuthorityItsSimulatorSignsWithAndKeepsIt)
{
    QTemporaryDir dir;
    const QString kept = dir.filePath(QStringLiteral("signing-authority"));
    demo::DemoPlugin plugin = demo::loadDemoPlugin(QStringLiteral(ORVELA_DEMO_PLUGIN_PATH));
    ASSERT_NE(plugin.services, nullptr) << plugin.detail.toStdString();
    EXPECT_TRUE(plugin.services->backendAuthorityPem().isEmpty());
    ASSERT_FALSE(plugin.services->startBackend(0, kept).isEmpty());
    const QByteArray authority = plugin.services->backendAuthorityPem();
    EXPECT_TRUE(authority.startsWith("-----BEGIN CERTIFICATE-----"));
    plugin.services->stopBackend();
    EXPECT_TRUE(plugin.services->backendAuthorityPem().isEmpty());
    ASSERT_FALSE(plugin.services->startBackend(0, kept).isEmpty());
    EXPECT_EQ(plugin.services->backendAuthorityPem(), authority);
    plugin.services->stopBackend();
    ASSERT_FALSE(plugin.services->startBackend(0, QString()).isEmpty());
    EXPECT_NE(plugin.services->backendAuthorityPem(), authority);
}

} // namespace
