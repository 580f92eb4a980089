#pragma once

#include "EventLoop.h"
#include "state/BiometricGate.h"

#include <QCoreApplication>
#include <QString>
#include <functional>
#include <optional>

namespace orvela::statetest {

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

/// A presence check that answers as told, when told, and counts how often it was asked.
class FakeBiometricGate : public state::BiometricGate {
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

} // namespace orvela::statetest
