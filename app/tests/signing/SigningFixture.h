#pragma once

#include "BackendSim.h"
#include "SessionTestSupport.h"
#include "api/APIClient.h"
#include "platform/KeychainManager.h"
#include "session/AppState.h"
#include "signing/SigningController.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace orvela::signingtest {

using orvela::testing::runEventLoopFor;
using orvela::testing::waitUntil;

/// A signed-in application state, the simulator on 127.0.0.1, and the signing controller
/// saving into a private Downloads folder.
class SigningFixture : public ::testing::Test {
protected:
    using Phase = signing::SigningController::Phase;

    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("docs")));
        m_settings = std::make_unique<QSettings>(m_dir.filePath(QStringLiteral("settings.ini")),
                                                 QSettings::IniFormat);
        ASSERT_NE(m_sim.start(), 0);
        m_sim.setApproveAfterMs(200);
        api::APIClientOptions options;
        options.settings = m_settings.get();
        options.fixedBaseUrl = m_sim.baseUrl();
        m_client = std::make_unique<api::APIClient>(options);
        m_state = std::make_unique<session::AppState>(m_keychain, *m_settings, m_gate);
        signInAs(QStringLiteral("ав12345678"), QStringLiteral("уб99112233"));
        m_signing = std::make_unique<signing::SigningController>(
            *m_state, *m_client, [this](signing::SignFailure* why) { return m_folder(why); });
        m_signing->setApprovalLimitForTesting(std::chrono::seconds(20));
        // Signed copies are trusted through the simulator's own authority, as in demo mode.
        m_signing->setCopyTrust(signing::VerifyOptions{false, m_sim.authorityPem(), {}});
    }

    void signInAs(const QString& civilId, const QString& nationalId)
    {
        m_state->applyIdentity(session::StoredIdentity{
            QStringLiteral("MN0012345"), QStringLiteral("Батын Болд"), civilId, nationalId,
            QStringLiteral("QUALIFIED"), QStringLiteral("2026-01-01T00:00:00Z")});
    }

    QString downloads() const { return m_dir.filePath(QStringLiteral("Downloads")); }

    /// A genuine one-page PDF the simulator can sign, `size` bytes in all (blank lines after
    /// its end make up the size), under docs/.
    QString writeDocument(const QString& name, qint64 size = 4096)
    {
        const std::size_t body = size > 16384 ? static_cast<std::size_t>(size - 8192) : 0;
        QByteArray bytes = QByteArray::fromStdString(pades::samplePdf("Orvela", body));
        EXPECT_LE(bytes.size(), size);
        bytes.append(size - bytes.size(), '\n');
        const QString path = m_dir.filePath(QStringLiteral("docs/") + name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        EXPECT_EQ(file.write(bytes), bytes.size());
        return path;
    }

    /// Why the last task failed, in `language`.
    QString failureText(common::AppLanguage language = common::AppLanguage::en) const
    {
        return signing::signFailureText(m_signing->failure(), language);
    }

    bool ended() const
    {
        return m_signing->phase() == Phase::done || m_signing->phase() == Phase::failed;
    }

    /// Signs `path` and waits for the outcome.
    void sign(const QString& path)
    {
        m_signing->signFile(path);
        ASSERT_TRUE(waitUntil([this] { return ended(); }));
    }

    QList<session::DashboardSession> signRecords() const
    {
        QList<session::DashboardSession> records;
        for (const auto& record : m_state->loadActivity()) {
            if (record.sessionType == u"SIGN") {
                records.append(record);
            }
        }
        return records;
    }

    qsizetype requests(const char* path) const
    {
        return m_sim.requestsTo(QString::fromLatin1(path)).size();
    }

    QStringList savedFiles() const
    {
        return QDir(downloads()).entryList(QDir::Files | QDir::Hidden);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_settings;
    backendsim::BackendSim m_sim;
    std::unique_ptr<api::APIClient> m_client;
    platform::KeychainManager m_keychain{QStringLiteral("mn.orvela.eid.desktop.signing-tests")};
    sessiontest::FakeBiometricGate m_gate; // never asked: nothing restores a session here
    std::unique_ptr<session::AppState> m_state;
    std::unique_ptr<signing::SigningController> m_signing;
    /// Where the controller saves; a test may point it elsewhere or make it fail.
    std::function<QString(signing::SignFailure*)> m_folder = [this](signing::SignFailure*) {
        QDir().mkpath(downloads()); // a plain file in its place stays in the way
        return downloads();
    };
};

/// The whole of the file at `path`; empty when it cannot be read.
inline QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

/// The fixture of the controller's suites: the flow, the signed copy and the failures.
class SigningControllerTest : public SigningFixture {
protected:
    /// The next status reply is exactly `body`, after one "still running" reply.
    void scriptStatus(const QByteArray& body)
    {
        m_sim.setApproveAfterMs(60'000);
        m_sim.injectResponse(QStringLiteral("/api/status"), 200, "application/json",
                             R"({"state":"RUNNING"})");
        m_sim.injectResponse(QStringLiteral("/api/status"), 200, "application/json", body);
    }
};

} // namespace orvela::signingtest
