#pragma once

#include "../support/EventLoop.h"
#include "BackendSim.h"
#include "api/APIClient.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <ostream>

// Readable failure messages for texts.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QByteArray& bytes, std::ostream* out)
{
    *out << '"' << bytes.toStdString() << '"';
}

namespace orvela::apitest {

/// The process's application object, made on first use.
QCoreApplication& app();

/// Runs the event loop until `done` holds or `ms` pass, making the application first.
template <class Predicate> bool waitUntil(Predicate done, int ms = 15'000)
{
    app();
    return orvela::testing::waitUntil(std::move(done), ms);
}

using orvela::testing::runEventLoopFor;

/// Log lines' texts, caught while it lives.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList lines() const;
};

/// A client on private settings, a simulator, and helpers that wait for answers.
class ApiFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    /// A client with these options (settings are filled in when left empty).
    std::unique_ptr<api::APIClient> makeClient(api::APIClientOptions options = {});
    /// Points the settings override at the simulator.
    void pointAt(const backendsim::BackendSim& sim);

    template <class Response>
    api::CallResult<Response> sendAndWait(api::APIClient& client, const api::Endpoint& endpoint)
    {
        std::optional<api::CallResult<Response>> result;
        client.send<Response>(endpoint, &m_context,
                              [&](api::CallResult<Response> r) { result.emplace(std::move(r)); });
        EXPECT_TRUE(waitUntil([&] { return result.has_value(); }));
        return result.value_or(api::CallResult<Response>(api::APIError::invalidResponse()));
    }
    bool healthAndWait(api::APIClient& client);

    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_settings;
    QObject m_context;
    std::unique_ptr<backendsim::BackendSim> m_sim;
};

} // namespace orvela::apitest
