// The credential store against gnome-keyring's Secret Service in a private session bus.

#include "platform/KeychainManager.h"

#include "SessionFixture.h"

#include <gtest/gtest.h>

using namespace orvela::platform;

namespace {

class KeychainManagerTest : public orvela::sessiontest::SessionFixture {};

TEST_F(KeychainManagerTest, BinaryValuesRoundTripAndDeleteRemovesThem)
{
    const QByteArray value("\x00\xff{\"a\":1}\n\x01", 12);
    ASSERT_EQ(save(value, KeychainItem::apiKey), std::nullopt);
    const auto loaded = load(KeychainItem::apiKey);
    ASSERT_TRUE(std::holds_alternative<QByteArray>(loaded));
    EXPECT_EQ(std::get<QByteArray>(loaded), value);

    // Items are apart by account: the identity was never saved, and forgetting it is no failure.
    EXPECT_EQ(std::get<KeychainError>(load(KeychainItem::identity)),
              KeychainError::loadFailed(KeychainError::Cause::notFound));
    EXPECT_EQ(remove(KeychainItem::identity), std::nullopt);
    // And by service: another store does not see this one's item.
    const KeychainManager other(orvela::sessiontest::uniqueService());
    EXPECT_TRUE(std::holds_alternative<KeychainError>(load(KeychainItem::apiKey, &other)));

    ASSERT_EQ(remove(KeychainItem::apiKey), std::nullopt);
    EXPECT_EQ(std::get<KeychainError>(load(KeychainItem::apiKey)),
              KeychainError::loadFailed(KeychainError::Cause::notFound));
}

// A second save rewrites the one item in place: it is never deleted and added anew, so there is
// no moment without it, and a refused save leaves the last value as it was.
TEST_F(KeychainManagerTest, ASaveRewritesTheOneItemAndARefusedSaveLeavesItIntact)
{
    orvela::sessiontest::SecretService secrets;
    const orvela::sessiontest::SecretService::Attributes ofService{
        {QStringLiteral("server"), m_keychain.service()}};
    ASSERT_TRUE(secrets.items(ofService).isEmpty());
    ASSERT_EQ(save("first"), std::nullopt);
    const QStringList first = secrets.items(ofService);
    ASSERT_EQ(first.size(), 1);
    ASSERT_EQ(save("second"), std::nullopt);
    EXPECT_EQ(std::get<QByteArray>(load()), "second");
    EXPECT_EQ(secrets.items(ofService), first);

    ASSERT_TRUE(secrets.lock());
    const auto failure = save("new identity");
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->kind(), KeychainError::Kind::saveFailed);
    // A locked store answers AccessDenied.
    EXPECT_EQ(failure->cause(), KeychainError::Cause::locked);
    // A locked store refuses reads too, with the same kind of code.
    const auto whileLocked = load();
    ASSERT_TRUE(std::holds_alternative<KeychainError>(whileLocked));
    EXPECT_EQ(std::get<KeychainError>(whileLocked).kind(), KeychainError::Kind::loadFailed);

    ASSERT_TRUE(secrets.unlock());
    const auto after = load();
    ASSERT_TRUE(std::holds_alternative<QByteArray>(after))
        << std::get<KeychainError>(after).message().toStdString();
    EXPECT_EQ(std::get<QByteArray>(after), "second");
}

} // namespace
