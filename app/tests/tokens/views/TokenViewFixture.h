#pragma once

#include "../../support/EventLoop.h"
#include "SoftHsmToken.h"
#include "common/LocalizationService.h"
#include "orvela/sim/VirtualReaderBackend.h"
#include "orvela/sim/VirtualToken.h"
#include "orvela/tokenkit/PKCS11Module.h"
#include "orvela/tokenkit/TokenManager.h"
#include "tokens/TokenWork.h"

#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace orvela::testing {

/// The token of these tests: an in-process reader holding a virtual token, plugged into the
/// kit before anything reads it, and an interface language of the test's own.
class TokenViewFixture : public ::testing::Test {
protected:
    TokenViewFixture() { tokenkit::TokenManager::shared().setBackend(reader); }

    /// Puts a fresh token into the reader.
    std::shared_ptr<sim::VirtualToken> plug(sim::VirtualToken::Mode mode = sim::VirtualToken::Mode::aes,
                                            const char* label = "Orvela Test Token")
    {
        sim::VirtualToken::Options options;
        options.mode = mode;
        options.label = label;
        token = std::make_shared<sim::VirtualToken>(std::move(options));
        reader->setToken(0, token);
        return token;
    }

    /// Waits until every card job queued so far has finished and handed back.
    static bool cardWorkerIdle()
    {
        QObject context;
        bool done = false;
        tokens::runCardWork(&context, [] {}, [&](const auto&) { done = true; });
        return waitUntil([&] { return done; });
    }

    QTemporaryDir dir;
    QSettings settings{dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat};
    common::LocalizationService localization{&settings};
    std::shared_ptr<sim::VirtualReaderBackend> reader =
        std::make_shared<sim::VirtualReaderBackend>(1);
    std::shared_ptr<sim::VirtualToken> token;
};

/// A SoftHSM2 token the PKCS#11 road finds through ORVELA_PKCS11_LIBRARY, as demo mode sets it.
class Pkcs11Road {
public:
    static constexpr const char* soPin = "12345678";
    static constexpr const char* userPin = "123456";

    explicit Pkcs11Road(const char* library = kSoftHsmLibrary)
        : m_previous(qgetenv(tokenkit::PKCS11Module::kLibraryEnvironmentVariable))
    {
        qputenv(tokenkit::PKCS11Module::kLibraryEnvironmentVariable, library);
    }
    ~Pkcs11Road()
    {
        qputenv(tokenkit::PKCS11Module::kLibraryEnvironmentVariable, m_previous);
    }

    /// Initialises the SoftHSM2 token with a signing key, as provisioning leaves it.
    void provision()
    {
        tokenkit::PKCS11Module::open()->fullProvision(soPin, userPin, "Orvela", "orvela-sign",
                                                      tokenkit::Bytes{0x01});
    }

private:
    SoftHsmToken m_hsm;
    QByteArray m_previous;
};

} // namespace orvela::testing
