#include "platform/FprintdBiometricGate.h"

#include "platform/FprintDeviceProxy.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QTimer>

namespace orvela::platform {

namespace {

const QString service = QStringLiteral("net.reactivated.Fprint");
const QString managerPath = QStringLiteral("/net/reactivated/Fprint/Manager");
const QString managerInterface = QStringLiteral("net.reactivated.Fprint.Manager");
const QString deviceInterface = QStringLiteral("net.reactivated.Fprint.Device");

} // namespace

FprintdBiometricGate::FprintdBiometricGate(QObject* parent) : BiometricGate(parent) {}

FprintdBiometricGate::FprintdBiometricGate(QDBusConnection bus, QObject* parent)
    : BiometricGate(parent), m_bus(std::move(bus))
{}

QDBusConnection& FprintdBiometricGate::bus()
{
    if (!m_bus) {
        m_bus = QDBusConnection::systemBus();
    }
    return *m_bus;
}

FprintdBiometricGate::~FprintdBiometricGate()
{
    m_context = nullptr;
    if (m_done) {
        finish(Outcome::refused);
    }
}

void FprintdBiometricGate::evaluate(const QString& reason, QObject* context, Done done)
{
    if (m_done) {
        finish(Outcome::refused);
    }
    ++m_generation;
    m_reason = reason;
    m_context = context;
    m_done = std::move(done);
    // Nobody waits any longer: let the reader go rather than keep it claimed.
    connect(context, &QObject::destroyed, this, [this, generation = m_generation] {
        if (generation == m_generation && m_done) {
            finish(Outcome::refused);
        }
    });
    if (!bus().isConnected()) {
        // Report from a fresh turn of the event loop, as every other outcome is.
        QTimer::singleShot(0, this, [this, generation = m_generation] {
            if (generation == m_generation) {
                finish(Outcome::unavailable);
            }
        });
        return;
    }
    call(managerPath, managerInterface, QStringLiteral("GetDefaultDevice"), {},
         [this](QDBusPendingCallWatcher* watcher) {
             const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
             if (reply.isError()) {
                 finish(Outcome::unavailable); // no daemon or no reader
                 return;
             }
             // The daemon's unique name from here on: a proxy on a well-known name would ask the
             // bus for its owner synchronously.
             m_owner = reply.reply().service();
             claim(reply.value().path());
         });
}

void FprintdBiometricGate::call(const QString& path, const QString& interface,
                                const QString& method, const QVariantList& args,
                                std::function<void(QDBusPendingCallWatcher*)> then)
{
    const QString& destination = m_owner.isEmpty() ? service : m_owner;
    auto message = QDBusMessage::createMethodCall(destination, path, interface, method);
    message.setArguments(args);
    auto* watcher = new QDBusPendingCallWatcher(bus().asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, generation = m_generation, then = std::move(then)](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                if (generation == m_generation && m_done) {
                    then(w);
                }
            });
}

void FprintdBiometricGate::claim(const QString& devicePath)
{
    m_device = new FprintDeviceProxy(m_owner, devicePath, bus(), this);
    connect(m_device, &FprintDeviceProxy::VerifyStatus, this,
            &FprintdBiometricGate::onVerifyStatus);
    // An empty user name means the caller's own account.
    call(devicePath, deviceInterface, QStringLiteral("Claim"), {QString()},
         [this](QDBusPendingCallWatcher* watcher) {
             if (watcher->isError()) {
                 finish(Outcome::unavailable); // reader busy or not permitted
                 return;
             }
             m_claimed = true;
             startVerify();
         });
}

void FprintdBiometricGate::startVerify()
{
    m_verifyRequested = true;
    call(m_device->path(), deviceInterface, QStringLiteral("VerifyStart"), {QStringLiteral("any")},
         [this](QDBusPendingCallWatcher* watcher) {
             if (watcher->isError()) {
                 finish(Outcome::unavailable); // most often: no enrolled finger
                 return;
             }
             m_verifying = true;
             emit promptChanged(m_reason);
         });
}

void FprintdBiometricGate::onVerifyStatus(const QString& result, bool done)
{
    if (!m_done) {
        return;
    }
    if (result == u"verify-match") {
        finish(Outcome::passed);
    } else if (done || result == u"verify-no-match" || result == u"verify-disconnected" ||
               result == u"verify-unknown-error") {
        finish(Outcome::refused);
    }
    // verify-retry-*: fprintd keeps scanning.
}

void FprintdBiometricGate::finish(Outcome outcome)
{
    ++m_generation;
    if (m_device != nullptr) {
        const QString path = m_device->path();
        // Fire and forget: the outcome does not depend on how the reader is let go. A scan
        // asked for but not yet confirmed is stopped too; the daemon may have started it.
        if (m_verifyRequested) {
            bus().asyncCall(QDBusMessage::createMethodCall(m_owner, path, deviceInterface,
                                                           QStringLiteral("VerifyStop")));
        }
        if (m_claimed) {
            bus().asyncCall(QDBusMessage::createMethodCall(m_owner, path, deviceInterface,
                                                           QStringLiteral("Release")));
        }
        m_device->deleteLater();
        m_device = nullptr;
    }
    const bool wasWaiting = m_verifying;
    m_claimed = false;
    m_verifyRequested = false;
    m_verifying = false;
    m_owner.clear();
    m_reason.clear();
    if (wasWaiting) {
        emit promptChanged(QString());
    }
    auto done = std::move(m_done);
    m_done = nullptr;
    if (done && m_context) {
        done(outcome);
    }
    m_context = nullptr;
}

} // namespace orvela::platform
