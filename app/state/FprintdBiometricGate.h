#pragma once

#include "state/BiometricGate.h"

#include <QDBusConnection>
#include <QPointer>

class QDBusPendingCallWatcher;

namespace orvela::state {

class FprintDeviceProxy;

/// The presence check on Linux: a fingerprint verification through fprintd on the system bus.
/// No fprintd, no reader, a reader in use elsewhere or no enrolled finger count as "cannot
/// evaluate"; a finger that does not match, or a reader error during the scan, is a refusal.
/// One verification at a time: a new `evaluate` ends the previous one as a refusal.
class FprintdBiometricGate : public BiometricGate {
    Q_OBJECT
public:
    /// `bus` is the system bus in the product; tests hand in a private bus.
    explicit FprintdBiometricGate(QDBusConnection bus = QDBusConnection::systemBus(),
                                  QObject* parent = nullptr);
    ~FprintdBiometricGate() override;

    void evaluate(const QString& reason, QObject* context, Done done) override;

    /// The reason shown while a verification waits for a finger; empty otherwise.
    QString pendingReason() const { return m_verifying ? m_reason : QString(); }

private:
    void call(const QString& path, const QString& interface, const QString& method,
              const QVariantList& args, std::function<void(QDBusPendingCallWatcher*)> then);
    void claim(const QString& devicePath);
    void startVerify();
    void onVerifyStatus(const QString& result, bool done);
    /// Stops and releases the reader if it was claimed, then reports.
    void finish(Outcome outcome);

    QDBusConnection m_bus;
    QString m_reason;
    QString m_owner; ///< fprintd's unique bus name once it answered
    QPointer<QObject> m_context;
    Done m_done;
    FprintDeviceProxy* m_device = nullptr;
    bool m_claimed = false;
    bool m_verifying = false;
    quint64 m_generation = 0;
};

} // namespace orvela::state
