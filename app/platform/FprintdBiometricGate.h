#pragma once

#include "platform/BiometricGate.h"

#include <QDBusConnection>
#include <QPointer>
#include <optional>

class QDBusPendingCallWatcher;

namespace orvela::platform {

class FprintDeviceProxy;

/// The presence check on Linux: a fingerprint verification through fprintd on the system bus.
/// No fprintd, no reader, a reader in use elsewhere or no enrolled finger count as "cannot
/// evaluate"; a finger that does not match, or a reader error during the scan, is a refusal.
/// One verification at a time: a new `evaluate` ends the previous one as a refusal.
class FprintdBiometricGate : public BiometricGate {
    Q_OBJECT
public:
    /// On the system bus, connected at the first evaluation: with the gate switched off the
    /// program never opens that connection.
    explicit FprintdBiometricGate(QObject* parent = nullptr);
    /// On `bus`; tests hand in a private bus.
    explicit FprintdBiometricGate(QDBusConnection bus, QObject* parent = nullptr);
    ~FprintdBiometricGate() override;

    void evaluate(const QString& reason, QObject* context, Done done) override;

    /// The reason shown while a verification waits for a finger; empty otherwise.
    QString pendingReason() const { return m_verifying ? m_reason : QString(); }

private:
    QDBusConnection& bus();
    void call(const QString& path, const QString& interface, const QString& method,
              const QVariantList& args, std::function<void(QDBusPendingCallWatcher*)> then);
    void claim(const QString& devicePath);
    void startVerify();
    void onVerifyStatus(const QString& result, bool done);
    /// Stops and releases the reader if it was claimed, then reports.
    void finish(Outcome outcome);

    std::optional<QDBusConnection> m_bus;
    QString m_reason;
    QString m_owner; ///< fprintd's unique bus name once it answered
    QPointer<QObject> m_context;
    Done m_done;
    FprintDeviceProxy* m_device = nullptr;
    bool m_claimed = false;
    bool m_verifyRequested = false; ///< VerifyStart sent
    bool m_verifying = false;       ///< and confirmed: the prompt is up
    quint64 m_generation = 0;
};

} // namespace orvela::platform
