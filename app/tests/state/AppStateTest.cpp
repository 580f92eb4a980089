// Application state against the real credential store (private keyring), private settings and a
// presence check that answers as each test tells it.

#include "state/AppState.h"

#include "StateFixture.h"
#include "common/SettingsKeys.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QSettings>
#include <gtest/gtest.h>

using namespace orvela::state;
using orvela::statetest::FakeBiometricGate;
using orvela::statetest::waitUntil;
using Outcome = BiometricGate::Outcome;

namespace {

StoredIdentity sampleIdentity()
{
    return StoredIdentity{QStringLiteral("MN0012345"),  QStringLiteral("Батын Болд"),
                          QStringLiteral("ИБ12345678"), QStringLiteral("УБ99112233"),
                          QStringLiteral("QUALIFIED"),  QStringLiteral("2026-01-05T09:00:00Z")};
}

class AppStateTest : public orvela::statetest::StateFixture {};

TEST_F(AppStateTest, NothingStoredOrAnIncompleteIdentityKeepsTheSignInScreen)
{
    EXPECT_FALSE(restore(*m_state));
    EXPECT_EQ(m_gate.asked, 0);

    for (const QString key : {"loginAt", "documentNumber", "nationalID", "civilID"}) {
        QJsonObject object = QJsonDocument::fromJson(sampleIdentity().encode()).object();
        object.remove(key);
        const QByteArray bytes = QJsonDocument(object).toJson();
        ASSERT_EQ(save(bytes), std::nullopt);
        EXPECT_FALSE(restore(*m_state)) << key.toStdString();
        EXPECT_EQ(m_gate.asked, 0);
        EXPECT_EQ(storedIdentity(), bytes); // left as it was
    }
    ASSERT_EQ(save("not json"), std::nullopt);
    EXPECT_FALSE(restore(*m_state));
}

// Absent, true or a value of another kind keep the check on; an unavailable check passes; a
// refusal keeps the sign-in screen and the stored identity.
TEST_F(AppStateTest, TheGateSettingAndTheCheckDecideTheRestore)
{
    ASSERT_EQ(save(sampleIdentity().encode()), std::nullopt);
    const auto key = orvela::settings::authBiometricGateEnabled.toString();
    const struct {
        QVariant setting;
        Outcome answer;
        bool asked;
        bool restored;
    } cases[] = {
        {QVariant(), Outcome::passed, true, true},
        {QVariant(true), Outcome::refused, true, false},
        {QVariant(QStringLiteral("no")), Outcome::unavailable, true, true},
        {QVariant(0), Outcome::passed, true, true},
        {QVariant(false), Outcome::refused, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setting.toString().toStdString());
        if (c.setting.isValid()) {
            m_settings->setValue(key, c.setting);
        } else {
            m_settings->remove(key);
        }
        m_gate.asked = 0;
        m_gate.next = c.answer;
        auto state = makeState();
        EXPECT_EQ(restore(*state), c.restored);
        EXPECT_EQ(m_gate.asked, c.asked ? 1 : 0);
        EXPECT_TRUE(storedIdentity().has_value());
    }
    // A boolean false read back from the settings file is still "off".
    m_settings->sync();
    QSettings reread(m_settings->fileName(), QSettings::IniFormat);
    m_gate.asked = 0;
    AppState fromFile(m_keychain, reread, m_gate);
    EXPECT_TRUE(restore(fromFile));
    EXPECT_EQ(m_gate.asked, 0);
}

// A restore while signed in asks again, and a refusal keeps the open session; a sign-out while
// the check waits wins over the restore.
TEST_F(AppStateTest, ARestoreWhileSignedInAsksAgainAndASignOutDuringTheCheckWins)
{
    bool saved = false;
    QObject::connect(m_state.get(), &AppState::identitySaved, &m_context,
                     [&](bool stored) { saved = stored; });
    m_state->signIn(sampleIdentity());
    ASSERT_TRUE(waitUntil([&] { return saved; }));
    auto changed = sampleIdentity();
    changed.fullName = QStringLiteral("Доржийн Сараа");
    ASSERT_EQ(save(changed.encode()), std::nullopt);

    m_gate.next = Outcome::refused;
    EXPECT_FALSE(restore(*m_state));
    EXPECT_EQ(m_gate.asked, 1);
    EXPECT_EQ(m_state->screen(), AppScreen::dashboard); // the open session stays
    EXPECT_EQ(m_state->fullName(), "Батын Болд");
    m_gate.next = Outcome::passed;
    EXPECT_TRUE(restore(*m_state));
    EXPECT_EQ(m_gate.asked, 2);
    EXPECT_EQ(m_state->fullName(), "Доржийн Сараа");

    m_gate.next.reset();
    std::optional<bool> restored;
    QObject::connect(m_state.get(), &AppState::restoreFinished, &m_context,
                     [&](bool applied) { restored = applied; });
    m_state->restoreSession();
    ASSERT_TRUE(waitUntil([&] { return m_gate.pending(); }));
    EXPECT_EQ(m_state->biometricPrompt(), "Орвела нэвтрэлтийг сэргээх"); // shown while it waits
    m_state->signOut();
    m_gate.answer(Outcome::passed);
    ASSERT_TRUE(waitUntil([&] { return restored.has_value(); }));
    EXPECT_FALSE(*restored);
    EXPECT_EQ(m_state->screen(), AppScreen::login);
    EXPECT_TRUE(m_state->fullName().isEmpty());
    EXPECT_TRUE(m_state->biometricPrompt().isEmpty());
}

TEST_F(AppStateTest, TheLogKeepsTheNewestHundredRecords)
{
    for (int i = 1; i <= 101; ++i) {
        m_state->recordActivity(QStringLiteral("SIGN"), QStringLiteral("COMPLETE"),
                                QStringLiteral("OK"), QStringLiteral("doc-%1.pdf").arg(i));
    }
    const auto log = m_state->loadActivity();
    ASSERT_EQ(log.size(), 100);
    EXPECT_EQ(log.first().pushText, "doc-101.pdf");
    EXPECT_EQ(log.last().pushText, "doc-2.pdf"); // the first record was dropped
    EXPECT_EQ(m_state->dashboardData()->sessions, log);
}

TEST_F(AppStateTest, AnUnreadableRecordIsLeftOutAndTheOthersStay)
{
    const QString good = QStringLiteral("{\"id\":\"%1\",\"sessionType\":\"SIGN\","
                                        "\"state\":\"COMPLETE\",\"result\":\"OK\","
                                        "\"rpName\":\"Nuvia\",\"pushText\":\"f.pdf\","
                                        "\"createdAt\":\"%2\"}");
    m_settings->setValue(
        QStringLiteral("activity.sessions"),
        QStringLiteral("[%1,{\"id\":\"x\"},7,%2,"
                       "{\"id\":\"y\",\"sessionType\":\"AUTH\",\"state\":\"COMPLETE\","
                       "\"result\":\"OK\",\"rpName\":\"Nuvia\",\"createdAt\":7}]")
            .arg(good.arg("A", "2026-01-02T00:00:00Z"), good.arg("B", "2026-01-01T00:00:00Z")));
    auto ids = [this] {
        QStringList list;
        for (const auto& record : m_state->loadActivity()) {
            list << record.id;
        }
        return list;
    };
    EXPECT_EQ(ids(), (QStringList{"A", "B"}));
    // The keys an earlier version wrote are read back (pushText is the one the rule above lacks).
    EXPECT_EQ(m_state->loadActivity().first().pushText, "f.pdf");
    m_state->recordActivity(QStringLiteral("AUTH"), QStringLiteral("COMPLETE"),
                            QStringLiteral("OK"));
    const QStringList after = ids();
    ASSERT_EQ(after.size(), 3);
    EXPECT_EQ(after.mid(1), (QStringList{"A", "B"}));
}

TEST_F(AppStateTest, TheSettingsFileIsReadableByItsOwnerOnly)
{
    // An older version's file, readable by everyone, and a file not made yet.
    const QString path = m_settings->fileName();
    for (const bool existing : {true, false}) {
        SCOPED_TRACE(existing);
        QFile::remove(path);
        if (existing) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("[General]\nui.theme=dark\n");
            file.close();
            ASSERT_TRUE(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner |
                                            QFile::ReadGroup | QFile::ReadOther));
        }
        m_state->recordActivity(QStringLiteral("SIGN"), QStringLiteral("COMPLETE"),
                                QStringLiteral("OK"), QStringLiteral("private.pdf"));
        QFile written(path);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_TRUE(written.readAll().contains("private.pdf"));
        EXPECT_EQ(written.permissions() & ~(QFile::ReadUser | QFile::WriteUser),
                  QFile::ReadOwner | QFile::WriteOwner);
    }
}

// With no Secret Service at all (CTest runs this test a second time with no session bus) or one
// that refuses (a locked keyring), the sign-in still opens the dashboard, says the identity was
// not stored, and no file under the private home holds the identity in plain text: never a
// plaintext fallback.
TEST(CredentialStoreFailureTest, SignInGoesOnAndNoIdentityReachesTheDisk)
{
    const QDir home = QDir::home();
    ASSERT_TRUE(home.dirName().startsWith(QStringLiteral("orvela-keyring")))
        << "run through scripts/lib/with-keyring.sh, which gives the test a private home";
    const bool refusing = orvela::statetest::secretServiceAvailable();
    orvela::statetest::SecretService secrets;
    if (refusing) {
        ASSERT_TRUE(secrets.lock());
    }
    QSettings settings(home.filePath(QStringLiteral("config/orvela.ini")), QSettings::IniFormat);
    KeychainManager keychain(orvela::statetest::uniqueService());
    FakeBiometricGate gate;
    AppState state(keychain, settings, gate);
    std::optional<bool> stored;
    QObject::connect(&state, &AppState::identitySaved, &state, [&](bool ok) { stored = ok; });
    state.signIn(sampleIdentity());
    ASSERT_TRUE(waitUntil([&] { return stored.has_value(); }));
    EXPECT_FALSE(*stored);
    EXPECT_EQ(state.screen(), AppScreen::dashboard);
    settings.sync();
    if (refusing) {
        EXPECT_TRUE(secrets.unlock());
    }

    int files = 0;
    QDirIterator it(home.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
        const QByteArray bytes = file.readAll();
        ++files;
        for (const QByteArray& secret : {QByteArray("MN0012345"), QByteArray("УБ99112233"),
                                         QByteArray("Батын Болд"), QByteArray("ИБ12345678")}) {
            EXPECT_FALSE(bytes.contains(secret) || bytes.contains(secret.toBase64()))
                << file.fileName().toStdString();
        }
    }
    EXPECT_GT(files, 0); // the settings file at least: the scan looked somewhere
}

} // namespace
