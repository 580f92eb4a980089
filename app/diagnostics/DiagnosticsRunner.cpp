#include "diagnostics/DiagnosticsRunner.h"

#include "api/APIClient.h"
#include "common/PoolTask.h"
#include "diagnostics/LocalChecks.h"
#include "diagnostics/Pkcs11Check.h"
#include "diagnostics/ServiceChecks.h"
#include "diagnostics/SmartCardCheck.h"
#include "orvela/tokenkit/ReaderBackend.h"
#include "platform/KeychainManager.h"
#include "tokens/ModuleChoice.h"
#include "tokens/TokenWork.h"

#include <QTimer>

namespace orvela::diagnostics {

namespace {

/// The checks that need neither a card nor a module. Never destroyed, as the token workers: a
/// check stuck in a system call must not hold up the program's exit.
QThreadPool* localPool()
{
    static QThreadPool* const pool = [] {
        auto* made = new QThreadPool;
        made->setMaxThreadCount(4);
        made->setObjectName(QStringLiteral("diagnostics"));
        return made;
    }();
    return pool;
}

} // namespace

DiagnosticsRunner::DiagnosticsRunner(DiagnosticsEnvironment environment, QObject* parent)
    : QObject(parent), m_environment(std::move(environment))
{}

int DiagnosticsRunner::place(const QString& id, const QString& titleKey)
{
    m_checks.append(Check{id, titleKey});
    m_settled.append(false);
    ++m_open;
    return static_cast<int>(m_checks.size() - 1);
}

void DiagnosticsRunner::start()
{
    ++m_run;
    m_checks.clear();
    m_settled.clear();
    m_open = 0;
    const DiagnosticsEnvironment env = m_environment;
    runOn(localPool(), place(QStringLiteral("program"), QStringLiteral("Diag_Program_Title")),
          [env] { return programCheck(env); });
    runOn(localPool(), place(QStringLiteral("system"), QStringLiteral("Diag_System_Title")),
          [env] { return systemCheck(env); });
    runOn(localPool(), place(QStringLiteral("language"), QStringLiteral("Diag_Language_Title")),
          [env] { return languageCheck(env); });
    runOn(&tokens::cardWorker(),
          place(QStringLiteral("smartCard"), QStringLiteral("Diag_SmartCard_Title")), [env] {
              auto readers = env.readers ? env.readers : tokenkit::makePcscBackend();
              return smartCardCheck(*readers);
          });
    runOn(&tokens::pkcs11Worker(),
          place(QStringLiteral("pkcs11"), QStringLiteral("Diag_Pkcs11_Title")), [env] {
              return pkcs11Check(tokens::registeredModules(),
                                 tokens::libraryInUse(env.pkcs11Library));
          });
    startBackend(place(QStringLiteral("backend"), QStringLiteral("Diag_Backend_Title")));
    startCredentials(
        place(QStringLiteral("credentialStore"), QStringLiteral("Diag_Credentials_Title")));
    runOn(localPool(),
          place(QStringLiteral("fingerprint"), QStringLiteral("Diag_Fingerprint_Title")),
          [limit = env.limitMs] { return fingerprintCheck(limit); });
    startUpdates(place(QStringLiteral("updates"), QStringLiteral("Diag_Updates_Title")));
    runOn(localPool(), place(QStringLiteral("settings"), QStringLiteral("Diag_Settings_Title")),
          [env] { return settingsCheck(env); });
}

template <class Work> void DiagnosticsRunner::runOn(QThreadPool* pool, int index, Work work)
{
    armLimit(index, m_environment.limitMs);
    common::runOnPool(pool, this, std::move(work),
                      [this, index, run = m_run](Check check) { settle(index, run, check); });
}

void DiagnosticsRunner::armLimit(int index, int ms)
{
    QTimer::singleShot(ms, this, [this, index, run = m_run] {
        if (run != m_run || m_settled.value(index, true)) {
            return;
        }
        Check late = m_checks.at(index);
        late.timedOut = true;
        late.judge(Verdict::problem, QStringLiteral("Diag_TimedOut"),
                   QStringLiteral("Diag_TimedOut_Advice"));
        settle(index, run, late);
    });
}

void DiagnosticsRunner::settle(int index, quint64 run, Check check)
{
    if (run != m_run || m_settled.value(index, true)) {
        return; // an earlier run's, or late after its limit
    }
    m_settled[index] = true;
    m_checks[index] = std::move(check);
    --m_open;
    emit checkFinished(index);
    if (m_open == 0) {
        emit finished();
    }
}

void DiagnosticsRunner::startBackend(int index)
{
    armLimit(index, m_environment.limitMs);
    api::APIClient* client = m_environment.api;
    if (client == nullptr) {
        settle(index, m_run,
               backendCheck({}, api::BackendProbe{}, QDateTime::currentDateTimeUtc()));
        return;
    }
    // A little under the check's own limit, so that a slow backend is reported with what the
    // exchange saw rather than as a bare time-out.
    const int exchangeMs = std::max(500, m_environment.limitMs - 250);
    client->probe(exchangeMs, this,
                  [this, index, run = m_run, base = client->baseURL()](api::BackendProbe probe) {
                      settle(index, run,
                             backendCheck(base, probe, QDateTime::currentDateTimeUtc()));
                  });
}

void DiagnosticsRunner::startCredentials(int index)
{
    armLimit(index, m_environment.limitMs);
    const platform::KeychainManager store(m_environment.keychainService);
    store.load(platform::KeychainItem::identity, this,
               [this, index, run = m_run](std::variant<QByteArray, platform::KeychainError> read) {
                   settle(index, run, credentialCheck(read));
               });
}

void DiagnosticsRunner::startUpdates(int index)
{
    armLimit(index, m_environment.limitMs);
    const QUrl feed = m_environment.feedUrl;
    if (feed.isEmpty() || m_environment.api == nullptr) {
        settle(index, m_run, updatesCheck(QUrl(), nullptr));
        return;
    }
    api::FetchRules rules;
    rules.maxBytes = 1024 * 1024;
    rules.idleMs = std::max(500, m_environment.limitMs - 250);
    rules.exchangeMs = rules.idleMs;
    rules.accept = QByteArrayLiteral("application/rss+xml, application/xml, text/xml");
    m_environment.api->fetch(feed, rules, this,
                             [this, index, run = m_run, feed](api::CallResult<QByteArray> got) {
                                 settle(index, run, updatesCheck(feed, &got));
                             });
}

} // namespace orvela::diagnostics
