// Application state against the real credential store (private keyring), private settings and a
// presence check that answers as each test tells it.

#include "session/AppState.h"

#include "SessionFixture.h"
#include "common/SettingsFile.h"
#include "common/SettingsKeys.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSettings>
#include <gtest/gtest.h>
#include <string_view>
#include <sys/stat.h>

using namespace orvela::platform;
using namespace orvela::session;
using orvela::sessiontest::FakeBiometricGate;
using orvela::sessiontest::waitUntil;
using Outcome = BiometricGate::Outcome;

namespace {

StoredIdentity sampleIdentity()
{
    return StoredIdentity{QStringLiteral("MN0012345"),  QStringLiteral("Батын Болд"),
                          QStringLiteral("ИБ12345678"), QStringLiteral("УБ99112233"),
                          QStringLiteral("QUALIFIED"),  QStringLiteral("2026-01-05T09:00:00Z")};
}

class AppStateTest : public orvela::sessiontest::SessionFixture {};

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

// Whatever part of the stored log cannot be read, the readable records stay, and the next
// record is added to them only after the stored text was kept whole beside the settings file.
TEST_F(AppStateTest, WhatCannotBeReadIsKeptAsideAndTheReadableRecordsStay)
{
    const QString record = QStringLiteral("{\"id\":\"%1\",\"sessionType\":\"SIGN\","
                                          "\"state\":\"COMPLETE\",\"result\":\"OK\","
                                          "\"rpName\":\"Nuvia\",\"pushText\":\"%2\","
                                          "\"createdAt\":\"2026-01-02T00:00:00Z\"}");
    const QString a = record.arg("A", "f.pdf");
    // Brackets and an escaped quote inside a text must not end a record early.
    const QString b = record.arg("B", "b}]\\\"{[.pdf");
    const QString third = record.arg("C", "c.pdf");
    const QString noCreatedAt = QStringLiteral("{\"id\":\"y\",\"sessionType\":\"AUTH\","
                                               "\"state\":\"COMPLETE\",\"result\":\"OK\","
                                               "\"rpName\":\"Nuvia\",\"createdAt\":7}");
    const struct {
        const char* name;
        QString stored;
        QStringList ids;
        bool keptAside;
    } cases[] = {
        {"whole", "[" + a + "," + b + "]", {"A", "B"}, false},
        {"no log", "", {}, false},
        {"unreadable records among readable ones",
         "[" + a + ",{\"id\":\"x\"},7," + b + "," + noCreatedAt + "]",
         {"A", "B"},
         true},
        {"the last 20 characters cut",
         ("[" + a + "," + b + "," + third + "]").chopped(20),
         {"A", "B"},
         true},
        {"cut inside a text", ("[" + a + "," + b).chopped(12), {"A"}, true},
        {"no JSON", "A,B", {}, true},
    };
    const QString bad = m_settings->fileName() + QStringLiteral(".bad");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(bad);
        m_settings->setValue(QStringLiteral("activity.sessions"), c.stored);
        QStringList ids;
        for (const auto& session : m_state->loadActivity()) {
            ids << session.id;
        }
        EXPECT_EQ(ids, c.ids);
        m_state->recordActivity(QStringLiteral("AUTH"), QStringLiteral("COMPLETE"),
                                QStringLiteral("OK"));
        QStringList after;
        for (const auto& session : m_state->loadActivity()) {
            after << session.id;
        }
        ASSERT_EQ(after.size(), c.ids.size() + 1);
        EXPECT_EQ(after.mid(1), c.ids);
        QFile keptAside(bad);
        EXPECT_EQ(keptAside.open(QIODevice::ReadOnly), c.keptAside);
        if (c.keptAside) {
            EXPECT_EQ(keptAside.readAll(), c.stored.toUtf8());
            EXPECT_EQ(keptAside.permissions() & ~(QFile::ReadUser | QFile::WriteUser),
                      QFile::ReadOwner | QFile::WriteOwner);
        }
    }
    // The texts read back as they were written, the odd one included.
    m_settings->setValue(QStringLiteral("activity.sessions"), cases[3].stored);
    EXPECT_EQ(m_state->loadActivity().value(1).pushText, "b}]\"{[.pdf");
    // An earlier copy is never replaced.
    m_settings->setValue(QStringLiteral("activity.sessions"), QStringLiteral("[7]"));
    m_state->recordActivity(QStringLiteral("AUTH"), QStringLiteral("COMPLETE"),
                            QStringLiteral("OK"));
    QFile second(bad + QStringLiteral(".2"));
    ASSERT_TRUE(second.open(QIODevice::ReadOnly));
    EXPECT_EQ(second.readAll(), "[7]");
}

// A hostile backend's outcome and state, and a document's name, cannot make the log grow
// without bound: the result is a short code or "other", the other texts are cut.
TEST_F(AppStateTest, TextsFromOutsideAreCappedInTheLog)
{
    const QString huge(1'000'000, u'X');
    const QString emoji = QString::fromUtf8("😀").repeated(300); // two UTF-16 units each
    const struct {
        QString result;
        QString stored;
    } results[] = {
        {"OK", "OK"},
        {"USER_REFUSED", "USER_REFUSED"},
        {QString(32, u'A'), QString(32, u'A')},
        {QString(33, u'A'), "other"},
        {"ok", "other"},
        {"OK\n", "other"},
        {"", "other"},
        {"OK OK", "other"},
        {huge, "other"},
    };
    for (const auto& c : results) {
        SCOPED_TRACE(c.result.left(40).toStdString());
        m_state->recordActivity(QStringLiteral("SIGN"), huge, c.result, huge);
        const auto newest = m_state->loadActivity().first();
        EXPECT_EQ(newest.result, c.stored);
        EXPECT_EQ(newest.state, QString(64, u'X'));
        EXPECT_EQ(newest.pushText, QString(255, u'X'));
    }
    m_state->recordActivity(QStringLiteral("SIGN"), QStringLiteral("COMPLETE"),
                            QStringLiteral("OK"), emoji);
    EXPECT_EQ(m_state->loadActivity().first().pushText, emoji.left(254)); // no half character
    m_settings->sync();
    EXPECT_LT(QFileInfo(m_settings->fileName()).size(), 16 * 1024);
}

// Only a regular file is opened as the settings file: a FIFO would hang every start, a device
// would be read without end. A link is followed for reading and writing, and its target keeps
// the mode its owner gave it.
TEST_F(AppStateTest, TheSettingsFileIsPrivateAndOnlyARegularFileIsOpened)
{
    const QString path = m_settings->fileName();
    constexpr QFile::Permissions ownerOnly =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
    constexpr QFile::Permissions everyone = ownerOnly | QFile::ReadGroup | QFile::ReadOther;
    const auto write = [everyone](const QString& file) {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("[General]\nui.theme=dark\n");
        out.close();
        ASSERT_TRUE(out.setPermissions(everyone));
    };
    const QString target = m_dir.filePath(QStringLiteral("dotfiles/orvela.ini"));
    ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("dotfiles")));
    // An older version's file, readable by everyone; a file not made yet; a link to a file.
    for (const std::string_view kind : {"existing", "missing", "link"}) {
        SCOPED_TRACE(kind);
        QFile::remove(path);
        if (kind == "existing") {
            write(path);
        } else if (kind == "link") {
            write(target);
            ASSERT_TRUE(QFile::link(target, path));
        }
        m_state->recordActivity(QStringLiteral("SIGN"), QStringLiteral("COMPLETE"),
                                QStringLiteral("OK"), QStringLiteral("private.pdf"));
        QFile written(path);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_TRUE(written.readAll().contains("private.pdf"));
        EXPECT_EQ(QFileInfo(path).isSymLink(), kind == "link"); // never replaced behind it
        EXPECT_EQ(written.permissions(), kind == "link" ? everyone : ownerOnly);
    }

    namespace common = orvela::common;
    const QString fifo = m_dir.filePath(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    const struct {
        QString path;
        QString linkTo;
        bool usable;
    } kinds[] = {
        {m_dir.filePath("missing.ini"), {}, true},
        {path, {}, true},
        {m_dir.filePath("dangling.ini"), m_dir.filePath("nothing"), true},
        {fifo, {}, false},
        {m_dir.filePath("to-fifo.ini"), fifo, false},
        {m_dir.filePath("to-device.ini"), "/dev/zero", false},
        {m_dir.path(), {}, false},
    };
    for (const auto& c : kinds) {
        SCOPED_TRACE(c.path.toStdString());
        if (!c.linkTo.isEmpty()) {
            ASSERT_TRUE(QFile::link(c.linkTo, c.path));
        }
        EXPECT_EQ(common::isUsableSettingsFile(c.path), c.usable);
    }
    EXPECT_FALSE(common::makeSettingsFilePrivate(fifo));
    EXPECT_TRUE(QFileInfo(fifo).permissions().testFlag(QFile::ReadOther)); // left alone

    // The path is the settings library's own, found without opening the file.
    QCoreApplication::setOrganizationName(QStringLiteral("Orvela"));
    EXPECT_EQ(common::defaultSettingsPath(), QSettings().fileName());
    QCoreApplication::setOrganizationName(QString());
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
    const bool refusing = orvela::sessiontest::secretServiceAvailable();
    orvela::sessiontest::SecretService secrets;
    if (refusing) {
        ASSERT_TRUE(secrets.lock());
    }
    QSettings settings(home.filePath(QStringLiteral("config/orvela.ini")), QSettings::IniFormat);
    KeychainManager keychain(orvela::sessiontest::uniqueService());
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
