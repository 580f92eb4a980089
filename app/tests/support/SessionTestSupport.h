#pragma once

#include "EventLoop.h"
#include "platform/BiometricGate.h"

#include <QCoreApplication>
#include <QMap>
#include <QString>
#include <functional>
#include <optional>

namespace orvela::sessiontest {

/// The process's application object, made on first use, with test-mode standard paths.
QCoreApplication& app();

/// Runs the event loop until `done` holds or `ms` pass, making the application first.
template <class Predicate> bool waitUntil(Predicate done, int ms = 15'000)
{
    app();
    return orvela::testing::waitUntil(std::move(done), ms);
}

using orvela::testing::runEventLoopFor;

/// A credential-store service name of its own for one test, so tests never see each other's
/// items.
QString uniqueService();

/// Whether a Secret Service answers on this session bus. The store's tests fail without one
/// rather than pass silently: run them through scripts/lib/with-keyring.sh.
bool secretServiceAvailable();

/// Direct access to the Secret Service beside the store under test: counts items, locks the
/// private keyring so that it refuses, and unlocks it again. Plain method calls rather than
/// QDBusInterface: an interface builds a meta-object that Qt keeps until exit, which
/// LeakSanitizer reports.
class SecretService {
public:
    using Attributes = QMap<QString, QString>;

    SecretService();
    /// The object paths of the items whose attributes include all of `attributes`.
    QStringList items(const Attributes& attributes);
    /// Locks the default keyring: every later write and read is refused until it is unlocked.
    bool lock();
    /// Unlocks it with the private keyring's password, through gnome-keyring's own interface
    /// (the standard one would ask a person through a prompt).
    bool unlock();
};

/// A presence check that answers as told, when told, and counts how often it was asked.
class FakeBiometricGate : public platform::BiometricGate {
public:
    /// The answer given at once; nothing means "wait until `answer` is called".
    std::optional<Outcome> next = Outcome::passed;
    int asked = 0;
    QString lastReason;

    void evaluate(const QString& reason, QObject* context, Done done) override;
    /// Gives the pending answer.
    void answer(Outcome outcome);
    bool pending() const { return static_cast<bool>(m_done); }

private:
    Done m_done;
    QObject* m_context = nullptr;
};

} // namespace orvela::sessiontest
