#pragma once

#include "BackendSim.h"
#include "QtPrinters.h"
#include "SessionTestSupport.h"
#include "api/APIClient.h"
#include "common/SettingsKeys.h"

#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace orvela::apitest {

using sessiontest::app;
using sessiontest::runEventLoopFor;
using sessiontest::waitUntil;

/// A client on private settings, a simulator, and helpers that wait for answers.
class ApiFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        app();
        ASSERT_TRUE(m_dir.isValid());
        m_settings = std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("settings.ini")),
                                                 QSettings::IniFormat);
        qunsetenv("API_BASE_URL");
        m_sim = std::make_unique<backendsim::BackendSim>();
        m_sim->setApproveAfterMs(0);
    }

    /// A client with these options (settings are filled in when left empty).
    std::unique_ptr<api::APIClient> makeClient(api::APIClientOptions options = {})
    {
        options.settings = options.settings ? options.settings : m_settings.get();
        return std::make_unique<api::APIClient>(options);
    }

    /// Points the settings override at the simulator.
    void pointAt(const backendsim::BackendSim& sim)
    {
        m_settings->setValue(settings::apiBaseUrlOverride.toString(), sim.baseUrl());
    }

    template <class Response>
    api::CallResult<Response> sendAndWait(api::APIClient& client, const api::Endpoint& endpoint)
    {
        std::optional<api::CallResult<Response>> result;
        client.send<Response>(endpoint, &m_context,
                              [&](api::CallResult<Response> r) { result.emplace(std::move(r)); });
        EXPECT_TRUE(waitUntil([&] { return result.has_value(); }));
        return result.value_or(api::CallResult<Response>(api::ApiError::invalidResponse()));
    }

    /// Uploads `pdf` as the signing upload does.
    api::CallResult<QByteArray> uploadAndWait(api::APIClient& client,
                                              const QMap<QString, QString>& fields,
                                              const QString& fileName, const QByteArray& pdf)
    {
        std::optional<api::CallResult<QByteArray>> result;
        client.upload(api::Endpoint::signPdfDownloadPath(), fields, "file", fileName,
                      "application/pdf", pdf, &m_context,
                      [&](api::CallResult<QByteArray> r) { result.emplace(r); });
        EXPECT_TRUE(waitUntil([&] { return result.has_value(); }));
        return result.value_or(api::CallResult<QByteArray>(api::ApiError::invalidResponse()));
    }

    bool healthAndWait(api::APIClient& client)
    {
        std::optional<bool> healthy;
        client.healthCheck(&m_context, [&](bool h) { healthy = h; });
        EXPECT_TRUE(waitUntil([&] { return healthy.has_value(); }));
        return healthy.value_or(false);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_settings;
    QObject m_context;
    std::unique_ptr<backendsim::BackendSim> m_sim;
};

} // namespace orvela::apitest
