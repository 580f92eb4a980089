#pragma once

#include <QObject>
#include <QString>
#include <functional>

namespace orvela::platform {

/// A local check that the person at the machine is the account's owner, asked before a stored
/// session is restored. Implementations tell a refusal apart from "cannot evaluate here" (no
/// sensor, nothing enrolled, no service), which the caller lets pass.
class BiometricGate : public QObject {
    Q_OBJECT
public:
    enum class Outcome { passed, refused, unavailable };
    using Done = std::function<void(Outcome)>;

    using QObject::QObject;
    ~BiometricGate() override = default;

    /// Asks for the person's presence, showing `reason` where the platform shows one. Returns at
    /// once; `done` runs exactly once on the interface thread, unless `context` dies first.
    virtual void evaluate(const QString& reason, QObject* context, Done done) = 0;

signals:
    /// The reason while the check waits for the person (for example for a finger on the
    /// reader), then empty again once it stops waiting.
    void promptChanged(const QString& reason);
};

} // namespace orvela::platform
