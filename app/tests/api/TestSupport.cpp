#include "TestSupport.h"

#include "common/SettingsKeys.h"

#include <QMutex>
#include <QStandardPaths>

namespace orvela::apitest {

QCoreApplication& app()
{
    static int argc = 1;
    static char name[] = "app-api-tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* instance = [] {
        QStandardPaths::setTestModeEnabled(true);
        return new QCoreApplication(argc, argv);
    }();
    return *instance;
}

namespace {

QMutex logMutex;
QStringList captured;
QtMessageHandler previousHandler = nullptr;

void captureHandler(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    {
        QMutexLocker lock(&logMutex);
        captured.append(text);
    }
    if (previousHandler != nullptr) {
        previousHandler(type, context, text);
    }
}

} // namespace

LogCapture::LogCapture()
{
    QMutexLocker lock(&logMutex);
    captured.clear();
    previousHandler = qInstallMessageHandler(captureHandler);
}

LogCapture::~LogCapture()
{
    qInstallMessageHandler(previousHandler);
    QMutexLocker lock(&logMutex);
    captured.clear();
}

QStringList LogCapture::lines() const
{
    QMutexLocker lock(&logMutex);
    return captured;
}

void ApiFixture::SetUp()
{
    app();
    ASSERT_TRUE(m_dir.isValid());
    m_settings = std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("settings.ini")),
                                             QSettings::IniFormat);
    qunsetenv("API_BASE_URL");
    m_sim = std::make_unique<backendsim::BackendSim>();
    m_sim->setApproveAfterMs(0);
}

void ApiFixture::TearDown()
{
    m_sim.reset();
    qunsetenv("API_BASE_URL");
}

std::unique_ptr<api::APIClient> ApiFixture::makeClient(api::APIClientOptions options)
{
    if (options.settings == nullptr) {
        options.settings = m_settings.get();
    }
    return std::make_unique<api::APIClient>(options);
}

void ApiFixture::pointAt(const backendsim::BackendSim& sim)
{
    m_settings->setValue(settings::apiBaseUrlOverride.toString(), sim.baseUrl());
}

bool ApiFixture::healthAndWait(api::APIClient& client)
{
    std::optional<bool> healthy;
    client.healthCheck(&m_context, [&](bool h) { healthy = h; });
    EXPECT_TRUE(waitUntil([&] { return healthy.has_value(); }));
    return healthy.value_or(false);
}

} // namespace orvela::apitest
