#pragma once

#include "../../support/EventLoop.h"
#include "SoftHsmToken.h"
#include "common/LocalizationService.h"
#include "orvela/sim/VirtualReaderBackend.h"
#include "orvela/sim/VirtualToken.h"
#include "orvela/tokenkit/PKCS11Module.h"
#include "orvela/tokenkit/TokenManager.h"
#include "tokens/AdminActionState.h"
#include "tokens/TokenManager.h"

#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace orvela::testing {

inline constexpr const char* kSoPin = "12345678";
inline constexpr const char* kUserPin = "123456";

/// A private SoftHSM2 token provisioned as the PKCS#11 road does it (a private and a public
/// key "orvela-sign", ID 01), the PKCS#11 road pointed at it, and an in-process virtual reader
/// with a virtual token for the card road.
class AdminFixture : public ::testing::Test {
protected:
    AdminFixture()
    {
        qputenv("ORVELA_PKCS11_LIBRARY", kSoftHsmLibrary);
        tokenkit::PKCS11Module::open(std::string(kSoftHsmLibrary))
            ->fullProvision(kSoPin, kUserPin, "Orvela", "orvela-sign", tokenkit::Bytes{0x01});
        m_previousBackend = tokenkit::TokenManager::shared().backend();
        reader->setToken(0, card);
        tokenkit::TokenManager::shared().setBackend(reader);
        // Made once the virtual reader is in place, so its first read never reaches PC/SC.
        manager = std::make_unique<tokens::TokenManager>(nullptr, false);
        // Its first read holds the card for a moment; a test's own card session waits for it.
        EXPECT_TRUE(waitUntil([&] { return manager->tokenInfo().has_value(); }));
    }
    ~AdminFixture() override
    {
        manager.reset();
        tokenkit::TokenManager::shared().setBackend(m_previousBackend);
        qunsetenv("ORVELA_PKCS11_LIBRARY");
    }

    /// Waits until the action is no longer busy; true when it finished in time.
    static bool finished(const tokens::AdminActionState& state)
    {
        return waitUntil([&] { return !state.isBusy(); });
    }

    SoftHsmToken softHsm;
    QTemporaryDir dir;
    QSettings settings{dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat};
    common::LocalizationService localization{&settings};
    std::shared_ptr<sim::VirtualToken> card =
        std::make_shared<sim::VirtualToken>(sim::VirtualToken::Options{});
    std::shared_ptr<sim::VirtualReaderBackend> reader =
        std::make_shared<sim::VirtualReaderBackend>(1);
    std::unique_ptr<tokens::TokenManager> manager;

private:
    std::shared_ptr<tokenkit::ReaderBackend> m_previousBackend;
};

} // namespace orvela::testing
