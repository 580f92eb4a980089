#include "SessionTestSupport.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>
#include <QUuid>
#include <gtest/gtest.h>

namespace orvela::sessiontest {
namespace {

const QString kLoginCollection = QStringLiteral("/org/freedesktop/secrets/collection/login");

QDBusMessage
callSecrets(const QString& method, const QList<QVariant>& arguments,
            const QString& interface = QStringLiteral("org.freedesktop.Secret.Service"))
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.secrets"), QStringLiteral("/org/freedesktop/secrets"),
        interface, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message);
}

} // namespace

SecretService::SecretService()
{
    app();
    qDBusRegisterMetaType<Attributes>();
}

QStringList SecretService::items(const Attributes& attributes)
{
    const QDBusMessage reply =
        callSecrets(QStringLiteral("SearchItems"), {QVariant::fromValue(attributes)});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 2) {
        ADD_FAILURE() << "SearchItems failed: " << reply.errorMessage().toStdString();
        return {};
    }
    QStringList paths; // unlocked and locked items together
    for (const auto& argument : reply.arguments()) {
        const QDBusArgument list = argument.value<QDBusArgument>();
        for (const auto& path : qdbus_cast<QList<QDBusObjectPath>>(list)) {
            paths << path.path();
        }
    }
    return paths;
}

bool SecretService::lock()
{
    const QList<QDBusObjectPath> paths{QDBusObjectPath(kLoginCollection)};
    return callSecrets(QStringLiteral("Lock"), {QVariant::fromValue(paths)}).type() ==
           QDBusMessage::ReplyMessage;
}

bool SecretService::unlock()
{
    const QDBusMessage opened =
        callSecrets(QStringLiteral("OpenSession"),
                    {QStringLiteral("plain"), QVariant::fromValue(QDBusVariant(QString()))});
    if (opened.type() != QDBusMessage::ReplyMessage || opened.arguments().size() != 2) {
        ADD_FAILURE() << "OpenSession failed: " << opened.errorMessage().toStdString();
        return false;
    }
    // The secret as the Secret Service takes it: (oayays), session, parameters, value, type.
    QDBusArgument master;
    master.beginStructure();
    master << opened.arguments().at(1).value<QDBusObjectPath>() << QByteArray()
           << qgetenv("ORVELA_TEST_KEYRING_PASSWORD") << QStringLiteral("text/plain");
    master.endStructure();
    const QDBusMessage reply = callSecrets(
        QStringLiteral("UnlockWithMasterPassword"),
        {QVariant::fromValue(QDBusObjectPath(kLoginCollection)), QVariant::fromValue(master)},
        QStringLiteral("org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface"));
    if (reply.type() != QDBusMessage::ReplyMessage) {
        ADD_FAILURE() << "unlock failed: " << reply.errorMessage().toStdString();
        return false;
    }
    return true;
}

QCoreApplication& app()
{
    static int argc = 1;
    static char name[] = "app-session-tests";
    static char* argv[] = {name, nullptr};
    // A program with a widget application of its own keeps it; a second one would crash Qt.
    static QCoreApplication* instance = [] {
        if (QCoreApplication::instance() != nullptr) {
            return QCoreApplication::instance();
        }
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

} // namespace orvela::sessiontest
