#include "shell/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <unistd.h>

namespace orvela::shell {

namespace {
const QByteArray openMessage = QByteArrayLiteral("open\n");
}

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), m_name(std::move(name))
{}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::nameForCurrentUser(const QString& profileSuffix)
{
    // The user id keeps two people on one machine apart; the socket itself is made private to
    // its owner by listen().
    QString name = QStringLiteral("orvela-desktop-%1").arg(::getuid());
    if (!profileSuffix.isEmpty()) {
        name += QLatin1Char('-') + profileSuffix;
    }
    return name;
}

bool SingleInstance::handOver() const
{
    // A later start has no window yet; a bounded wait here blocks nothing the user sees.
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(handOverTimeoutMs)) {
        return false;
    }
    socket.write(openMessage);
    const bool sent = socket.waitForBytesWritten(handOverTimeoutMs);
    socket.disconnectFromServer();
    return sent;
}

bool SingleInstance::listen()
{
    if (m_server) {
        return m_server->isListening();
    }
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::accept);
    if (m_server->listen(m_name)) {
        return true;
    }
    // Nobody answered on the name (handOver failed before this), so the socket file is stale.
    QLocalServer::removeServer(m_name);
    return m_server->listen(m_name);
}

void SingleInstance::accept()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                if (socket->readLine(64) == openMessage) {
                    emit openRequested();
                }
            }
            // Anything else is not ours to keep reading.
            if (socket->bytesAvailable() > 64) {
                socket->abort();
            }
        });
    }
}

} // namespace orvela::shell
