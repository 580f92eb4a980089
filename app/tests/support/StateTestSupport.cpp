#include "StateTestSupport.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>
#include <QUuid>

namespace orvela::statetest {

QCoreApplication& app()
{
    static int argc = 1;
    static char name[] = "app-state-tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* instance = [] {
        QStandardPaths::setTestModeEnabled(true);
        return new QCoreApplication(argc, argv);
    }();
    return *instance;
}

QString uniqueService()
{
    return QStringLiteral("mn.orvela.eid.desktop.test.") +
           QUuid::createUuid().toString(QUuid::WithoutBraces);
}

bool secretServiceAvailable()
{
    app();
    const auto bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface() == nullptr) {
        return false;
    }
    return bus.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.secrets")).value();
}

void FakeBiometricGate::evaluate(const QString& reason, QObject* context, Done done)
{
    ++asked;
    lastReason = reason;
    m_done = std::move(done);
    m_context = context;
    if (next) {
        answer(*next);
    } else {
        emit promptChanged(reason);
    }
}

void FakeBiometricGate::answer(Outcome outcome)
{
    // Like a real check, the answer arrives from a later turn of the event loop.
    QTimer::singleShot(
        0, this, [this, outcome, context = QPointer<QObject>(m_context), done = std::move(m_done)] {
            if (context) {
                done(outcome);
            }
        });
    m_done = nullptr;
    emit promptChanged(QString());
}

} // namespace orvela::statetest
