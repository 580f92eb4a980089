#include "platform/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <cerrno>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>

namespace orvela::platform {

namespace {

const QByteArray openMessage = QByteArrayLiteral("open\n");
// A path may hold any byte but NUL, a line break included: it travels as Base64 on one line.
const QByteArray openDocumentPrefix = QByteArrayLiteral("open-document ");
// Room for a path of PATH_MAX bytes in Base64, and the prefix.
constexpr qint64 maxMessage = 6 * 1024;

/// A folder, not a link to one, that belongs to `user` and that nobody else may enter: nobody
/// else can have put a socket in it.
bool isPrivateFolder(const QByteArray& path, uid_t user)
{
    struct stat info {};
    return ::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == user &&
           (info.st_mode & 077) == 0;
}

QString privateFolder()
{
    const uid_t user = ::geteuid();
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.startsWith('/') && isPrivateFolder(runtime, user)) {
        return QFile::decodeName(runtime);
    }
    // Made private from its first moment; one that someone else made first is not ours, and a
    // name in the shared temporary folder is never used bare.
    const QByteArray own =
        QFile::encodeName(QDir::tempPath() + QStringLiteral("/orvela-runtime-%1").arg(user));
    if (::mkdir(own.constData(), 0700) != 0 && errno != EEXIST) {
        return {};
    }
    return isPrivateFolder(own, user) ? QFile::decodeName(own) : QString();
}

/// The user the process at the other end of a connected local socket runs as.
std::optional<uid_t> peerUser(qintptr descriptor)
{
    struct ucred credentials {};
    socklen_t size = sizeof credentials;
    if (::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &size) !=
        0) {
        return std::nullopt;
    }
    return credentials.uid;
}

} // namespace

SingleInstance::SingleInstance(QString name, QObject* parent, uid_t owner)
    : QObject(parent), m_name(std::move(name)), m_owner(owner)
{}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::nameForCurrentUser(const QString& profileSuffix)
{
    const QString folder = privateFolder();
    if (folder.isEmpty()) {
        return {};
    }
    QString name = folder + QStringLiteral("/orvela-desktop");
    if (!profileSuffix.isEmpty()) {
        name += QLatin1Char('-') + profileSuffix;
    }
    return name;
}

bool SingleInstance::handOver(const QString& document) const
{
    // A later start has no window yet; a bounded wait here blocks nothing the user sees.
    if (m_name.isEmpty()) {
        return false;
    }
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(handOverTimeoutMs)) {
        return false;
    }
    // Another user's listener would learn that we started and keep us from starting.
    if (peerUser(socket.socketDescriptor()) != m_owner) {
        socket.abort();
        return false;
    }
    socket.write(document.isEmpty()
                     ? openMessage
                     : openDocumentPrefix + QFile::encodeName(document).toBase64() + '\n');
    const bool sent = socket.waitForBytesWritten(handOverTimeoutMs);
    socket.disconnectFromServer();
    return sent;
}

bool SingleInstance::listen()
{
    if (m_server) {
        return m_server->isListening();
    }
    if (m_name.isEmpty()) {
        return false;
    }
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::accept);
    if (m_server->listen(m_name)) {
        return true;
    }
    // Nobody of ours answered on the name (handOver failed before this), so the socket file is
    // stale or not ours to honour.
    QLocalServer::removeServer(m_name);
    return m_server->listen(m_name);
}

void SingleInstance::accept()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
    }
}

void SingleInstance::read(QLocalSocket* socket)
{
    while (socket->canReadLine()) {
        const QByteArray line = socket->readLine(maxMessage);
        if (line == openMessage) {
            emit openRequested();
        } else if (line.startsWith(openDocumentPrefix) && line.endsWith('\n')) {
            const auto decoded =
                QByteArray::fromBase64Encoding(line.mid(openDocumentPrefix.size()).chopped(1),
                                               QByteArray::AbortOnBase64DecodingErrors);
            const QString path = decoded ? QFile::decodeName(*decoded) : QString();
            // Only a full path is honoured: a relative one would be read from our folder, not
            // from the one the later start was given it in.
            if (path.startsWith(u'/')) {
                emit documentOpenRequested(path);
            }
        }
    }
    // Anything else is not ours to keep reading.
    if (socket->bytesAvailable() > maxMessage) {
        socket->abort();
    }
}

} // namespace orvela::platform
