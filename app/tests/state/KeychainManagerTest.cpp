// The credential store against gnome-keyring's Secret Service in a private session bus.

#include "state/KeychainManager.h"

#include "QtPrinters.h"
#include "StateTestSupport.h"

#include <gtest/gtest.h>

using namespace orvela::state;
using orvela::statetest::waitUntil;

namespace {

class KeychainManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(orvela::statetest::secretServiceAvailable())
            << "no Secret Service on the session bus: run through scripts/lib/with-keyring.sh";
    }

    std::optional<KeychainError> save(const QByteArray& data, KeychainItem item)
    {
        return finish([&](KeychainManager::Done done) {
            m_store.save(data, item, &m_context, std::move(done));
        });
    }

    std::optional<KeychainError> remove(KeychainItem item)
    {
        return finish(
            [&](KeychainManager::Done done) { m_store.remove(item, &m_context, std::move(done)); });
    }

    std::variant<QByteArray, KeychainError> load(KeychainItem item,
                                                 const KeychainManager* store = nullptr)
    {
        std::optional<std::variant<QByteArray, KeychainError>> result;
        (store != nullptr ? *store : m_store)
            .load(item, &m_context,
                  [&](std::variant<QByteArray, KeychainError> r) { result = std::move(r); });
        EXPECT_TRUE(waitUntil([&] { return result.has_value(); }));
        return result.value_or(KeychainError::invalidData());
    }

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

    QObject m_context;
    KeychainManager m_store{orvela::statetest::uniqueService()};
    orvela::statetest::SecretService m_secrets;
};

TEST_F(KeychainManagerTest, BinaryValuesRoundTripAndDeleteRemovesThem)
{
    const QByteArray value("\x00\xff{\"a\":1}\n\x01", 12);
    ASSERT_EQ(save(value, KeychainItem::apiKey), std::nullopt);
    const auto loaded = load(KeychainItem::apiKey);
    ASSERT_TRUE(std::holds_alternative<QByteArray>(loaded));
    EXPECT_EQ(std::get<QByteArray>(loaded), value);

    // Items are apart by account: the identity was never saved, and forgetting it is no failure.
    EXPECT_EQ(std::get<KeychainError>(load(KeychainItem::identity)),
              KeychainError::loadFailed(-25300));
    EXPECT_EQ(remove(KeychainItem::identity), std::nullopt);
    // And by service: another store does not see this one's item.
    const KeychainManager other(orvela::statetest::uniqueService());
    EXPECT_TRUE(std::holds_alternative<KeychainError>(load(KeychainItem::apiKey, &other)));

    ASSERT_EQ(remove(KeychainItem::apiKey), std::nullopt);
    EXPECT_EQ(std::get<KeychainError>(load(KeychainItem::apiKey)),
              KeychainError::loadFailed(-25300));
}

TEST_F(KeychainManagerTest, SavingTwiceKeepsOneItemWithTheLastValue)
{
    const orvela::statetest::SecretService::Attributes ofService{
        {QStringLiteral("server"), m_store.service()}};
    ASSERT_TRUE(m_secrets.items(ofService).isEmpty());
    ASSERT_EQ(save("first", KeychainItem::identity), std::nullopt);
    const QStringList first = m_secrets.items(ofService);
    ASSERT_EQ(first.size(), 1);
    ASSERT_EQ(save("second", KeychainItem::identity), std::nullopt);
    EXPECT_EQ(std::get<QByteArray>(load(KeychainItem::identity)), "second");
    // The same item, rewritten in place: it was never deleted and added anew, so there was no
    // moment without it.
    EXPECT_EQ(m_secrets.items(ofService), first);
}

TEST_F(KeychainManagerTest, AFailedSaveLeavesThePreviousValueIntact)
{
    ASSERT_EQ(save("previous identity", KeychainItem::identity), std::nullopt);

    ASSERT_TRUE(m_secrets.lock());
    const auto failure = save("new identity", KeychainItem::identity);
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->kind(), KeychainError::Kind::saveFailed);
    // A locked store answers AccessDenied.
    EXPECT_EQ(failure->status(), KeychainError::interactionNotAllowed);
    // A locked store refuses reads too, with the same kind of code.
    const auto whileLocked = load(KeychainItem::identity);
    ASSERT_TRUE(std::holds_alternative<KeychainError>(whileLocked));
    EXPECT_EQ(std::get<KeychainError>(whileLocked).kind(), KeychainError::Kind::loadFailed);

    ASSERT_TRUE(m_secrets.unlock());
    const auto after = load(KeychainItem::identity);
    ASSERT_TRUE(std::holds_alternative<QByteArray>(after))
        << std::get<KeychainError>(after).message().toStdString();
    EXPECT_EQ(std::get<QByteArray>(after), "previous identity");
}

} // namespace
