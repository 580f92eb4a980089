// The credential store against gnome-keyring's Secret Service in a private session bus.

#include "state/KeychainManager.h"

#include "QtPrinters.h"
#include "StateTestSupport.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <gtest/gtest.h>

using namespace orvela::state;
using orvela::statetest::waitUntil;

namespace {

using Attributes = QMap<QString, QString>;

/// A secret as the Secret Service sends it: (oayays).
struct Secret {
    QDBusObjectPath session;
    QByteArray parameters;
    QByteArray value;
    QString contentType;
};

} // namespace

Q_DECLARE_METATYPE(Secret)

QDBusArgument& operator<<(QDBusArgument& out, const Secret& secret)
{
    out.beginStructure();
    out << secret.session << secret.parameters << secret.value << secret.contentType;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, Secret& secret)
{
    in.beginStructure();
    in >> secret.session >> secret.parameters >> secret.value >> secret.contentType;
    in.endStructure();
    return in;
}

namespace {

/// Direct access to the Secret Service, beside the store under test. Plain method calls rather
/// than QDBusInterface: an interface introspects the service and builds a meta-object that Qt
/// keeps until exit, which LeakSanitizer reports.
class SecretService {
public:
    SecretService()
    {
        qDBusRegisterMetaType<Attributes>();
        qDBusRegisterMetaType<Secret>();
    }

    /// Items whose attributes include all of `attributes`, unlocked and locked together.
    int count(const Attributes& attributes) { return static_cast<int>(items(attributes).size()); }

    /// The object paths of those items.
    QStringList items(const Attributes& attributes)
    {
        const QDBusMessage reply =
            call(QStringLiteral("SearchItems"), {QVariant::fromValue(attributes)});
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 2) {
            ADD_FAILURE() << "SearchItems failed: " << reply.errorMessage().toStdString();
            return {};
        }
        QStringList paths;
        for (const auto& argument : reply.arguments()) {
            for (const auto& path :
                 qdbus_cast<QList<QDBusObjectPath>>(argument.value<QDBusArgument>())) {
                paths << path.path();
            }
        }
        return paths;
    }

    /// Locks the default keyring: every later write and read is refused until it is unlocked.
    bool lock()
    {
        const QList<QDBusObjectPath> paths{
            QDBusObjectPath(QStringLiteral("/org/freedesktop/secrets/collection/login"))};
        const QDBusMessage reply = call(QStringLiteral("Lock"), {QVariant::fromValue(paths)});
        return reply.type() == QDBusMessage::ReplyMessage;
    }

    /// Unlocks it again with the private keyring's password, through gnome-keyring's own
    /// interface for that (the standard one would ask a person through a prompt).
    bool unlock()
    {
        const QDBusMessage opened =
            call(QStringLiteral("OpenSession"),
                 {QStringLiteral("plain"), QVariant::fromValue(QDBusVariant(QString()))});
        if (opened.type() != QDBusMessage::ReplyMessage || opened.arguments().size() != 2) {
            ADD_FAILURE() << "OpenSession failed: " << opened.errorMessage().toStdString();
            return false;
        }
        const Secret master{opened.arguments().at(1).value<QDBusObjectPath>(),
                            {},
                            qgetenv("ORVELA_TEST_KEYRING_PASSWORD"),
                            QStringLiteral("text/plain")};
        const QDBusMessage reply =
            call(QStringLiteral("UnlockWithMasterPassword"),
                 {QVariant::fromValue(QDBusObjectPath(
                      QStringLiteral("/org/freedesktop/secrets/collection/login"))),
                  QVariant::fromValue(master)},
                 QStringLiteral("org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface"));
        if (reply.type() != QDBusMessage::ReplyMessage) {
            ADD_FAILURE() << "unlock failed: " << reply.errorMessage().toStdString();
            return false;
        }
        return true;
    }

private:
    static QDBusMessage call(const QString& method, const QList<QVariant>& arguments,
                             const QString& interface =
                                 QStringLiteral("org.freedesktop.Secret.Service"))
    {
        QDBusMessage message = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.secrets"), QStringLiteral("/org/freedesktop/secrets"),
            interface, method);
        message.setArguments(arguments);
        return QDBusConnection::sessionBus().call(message);
    }
};

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

    /// Items of the store under test, found by the service name alone.
    int storedItems() { return m_secrets.count(m_itemsOfService); }

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
    SecretService m_secrets;
    Attributes m_itemsOfService;
};

TEST_F(KeychainManagerTest, ErrorTextsCarryTheStatusInDecimal)
{
    EXPECT_EQ(KeychainError::saveFailed(-25308).message(), "Keychain хадгалах алдаа: -25308");
    EXPECT_EQ(KeychainError::loadFailed(-25300).message(), "Keychain уншиx алдаа: -25300");
    EXPECT_EQ(KeychainError::deleteFailed(7).message(), "Keychain устгах алдаа: 7");
    EXPECT_EQ(KeychainError::invalidData().message(), "Буруу өгөгдөл.");
    // The load text ends in a Latin x, not the Cyrillic letter that looks the same.
    EXPECT_TRUE(KeychainError::loadFailed(0).message().contains(QStringLiteral("уншиx")));
    EXPECT_FALSE(KeychainError::loadFailed(0).message().contains(QStringLiteral("унших")));
}

TEST_F(KeychainManagerTest, MissingItemFailsToLoadWithItemNotFound)
{
    const auto result = load(KeychainItem::identity);
    ASSERT_TRUE(std::holds_alternative<KeychainError>(result));
    EXPECT_EQ(std::get<KeychainError>(result), KeychainError::loadFailed(-25300));
    EXPECT_EQ(std::get<KeychainError>(result).message(), "Keychain уншиx алдаа: -25300");
}

TEST_F(KeychainManagerTest, DeletingAMissingItemSucceeds)
{
    EXPECT_EQ(remove(KeychainItem::sessionToken), std::nullopt);
}

TEST_F(KeychainManagerTest, BinaryValuesRoundTripAndDeleteRemovesThem)
{
    const QByteArray value("\x00\xff{\"a\":1}\n\x01", 12);
    ASSERT_EQ(save(value, KeychainItem::apiKey), std::nullopt);
    const auto loaded = load(KeychainItem::apiKey);
    ASSERT_TRUE(std::holds_alternative<QByteArray>(loaded));
    EXPECT_EQ(std::get<QByteArray>(loaded), value);

    // Items are apart by account: the identity was never saved.
    EXPECT_TRUE(std::holds_alternative<KeychainError>(load(KeychainItem::identity)));
    // And by service: another store does not see this one's item.
    const KeychainManager other(orvela::statetest::uniqueService());
    EXPECT_TRUE(std::holds_alternative<KeychainError>(load(KeychainItem::apiKey, &other)));

    ASSERT_EQ(remove(KeychainItem::apiKey), std::nullopt);
    EXPECT_EQ(std::get<KeychainError>(load(KeychainItem::apiKey)),
              KeychainError::loadFailed(-25300));
}

TEST_F(KeychainManagerTest, SavingTwiceKeepsOneItemWithTheLastValue)
{
    m_itemsOfService = {{QStringLiteral("server"), m_store.service()}};
    ASSERT_EQ(storedItems(), 0);
    ASSERT_EQ(save("first", KeychainItem::identity), std::nullopt);
    const QStringList first = m_secrets.items(m_itemsOfService);
    ASSERT_EQ(first.size(), 1);
    ASSERT_EQ(save("second", KeychainItem::identity), std::nullopt);
    EXPECT_EQ(std::get<QByteArray>(load(KeychainItem::identity)), "second");
    // The same item, rewritten in place: it was never deleted and added anew, so there was no
    // moment without it.
    EXPECT_EQ(m_secrets.items(m_itemsOfService), first);
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

TEST_F(KeychainManagerTest, QtKeychainErrorsMapToFixedCodes)
{
    EXPECT_EQ(KeychainManager::statusFor(0), 0);
    EXPECT_EQ(KeychainManager::statusFor(1), -25300); // EntryNotFound
    EXPECT_EQ(KeychainManager::statusFor(3), -128);   // AccessDeniedByUser
    EXPECT_EQ(KeychainManager::statusFor(4), -25308); // AccessDenied
    EXPECT_EQ(KeychainManager::statusFor(5), -25291); // NoBackendAvailable
    EXPECT_EQ(KeychainManager::statusFor(6), -4);     // NotImplemented
    EXPECT_EQ(KeychainManager::statusFor(7), -26276); // OtherError
}

} // namespace
