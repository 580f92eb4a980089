#pragma once

// The state tests' scene: the application state over a credential-store service of its own in
// the private keyring (scripts/lib/with-keyring.sh), private settings, a fixed clock, and a
// presence check that answers as each test tells it.

#include "QtPrinters.h"
#include "SessionTestSupport.h"
#include "platform/KeychainManager.h"
#include "session/AppState.h"

#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace orvela::sessiontest {

class SessionFixture : public ::testing::Test {
protected:
    using KeychainError = platform::KeychainError;
    using KeychainItem = platform::KeychainItem;

    void SetUp() override
    {
        ASSERT_TRUE(secretServiceAvailable())
            << "no Secret Service on the session bus: run through scripts/lib/with-keyring.sh";
        ASSERT_TRUE(m_dir.isValid());
        m_settings = std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("settings.ini")),
                                                 QSettings::IniFormat);
        m_state = makeState();
    }

    std::unique_ptr<session::AppState> makeState()
    {
        return std::make_unique<session::AppState>(m_keychain, *m_settings, m_gate,
                                                   [this] { return m_now; });
    }

    std::optional<KeychainError> save(const QByteArray& data,
                                      KeychainItem item = KeychainItem::identity)
    {
        return finish([&](auto done) { m_keychain.save(data, item, &m_context, done); });
    }

    std::optional<KeychainError> remove(KeychainItem item)
    {
        return finish([&](auto done) { m_keychain.remove(item, &m_context, done); });
    }

    /// Reads `item` from `store`, this scene's own unless another is given.
    std::variant<QByteArray, KeychainError> load(KeychainItem item = KeychainItem::identity,
                                                 const platform::KeychainManager* store = nullptr)
    {
        std::optional<std::variant<QByteArray, KeychainError>> result;
        (store != nullptr ? *store : m_keychain)
            .load(item, &m_context,
                  [&](std::variant<QByteArray, KeychainError> r) { result = std::move(r); });
        EXPECT_TRUE(waitUntil([&] { return result.has_value(); }));
        return result.value_or(KeychainError::invalidData());
    }

    std::optional<QByteArray> storedIdentity()
    {
        const auto loaded = load();
        const auto* bytes = std::get_if<QByteArray>(&loaded);
        return bytes ? std::optional(*bytes) : std::nullopt;
    }

    /// Runs a restore to its end and returns whether it applied an identity.
    bool restore(session::AppState& state)
    {
        std::optional<bool> restored;
        QObject scope; // the connection ends with this call
        QObject::connect(&state, &session::AppState::restoreFinished, &scope,
                         [&](bool applied) { restored = applied; });
        state.restoreSession();
        EXPECT_TRUE(waitUntil([&] { return restored.has_value(); }));
        return restored.value_or(false);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_settings;
    platform::KeychainManager m_keychain{uniqueService()};
    FakeBiometricGate m_gate;
    QDateTime m_now = QDateTime(QDate(2026, 1, 5), QTime(10, 11, 12), Qt::UTC);
    QObject m_context;
    std::unique_ptr<session::AppState> m_state;

private:
    template <class Start> std::optional<KeychainError> finish(Start start)
    {
        bool finished = false;
        std::optional<KeychainError> error;
        start([&](std::optional<KeychainError> e) {
            error = e;
            finished = true;
        });
        EXPECT_TRUE(waitUntil([&] { return finished; }));
        return error;
    }
};

} // namespace orvela::sessiontest
