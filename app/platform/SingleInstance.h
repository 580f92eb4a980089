#pragma once

#include <QObject>
#include <QString>
#include <sys/types.h>
#include <unistd.h>

class QLocalServer;
class QLocalSocket;

namespace orvela::platform {

/// Keeps one running program per user and profile: the first start listens on a local socket;
/// a later start hands over by sending "open" there (with the document it was asked to open,
/// if any) and then exits, and the first one brings its window forward. The hand-over goes only to
/// a listener run by the same user: anybody else's listener is ignored and the program starts on
/// its own.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    /// `owner` is the user a listener must run as to be handed the "open"; tests pass another.
    explicit SingleInstance(QString name, QObject* parent = nullptr, uid_t owner = ::geteuid());
    ~SingleInstance() override;

    /// The socket's path for this user, with a suffix for a separate profile (the demo's): in
    /// $XDG_RUNTIME_DIR when that is a folder private to this user, else in a private folder of
    /// our own under the temporary folder. Empty when neither can be had (another user holds
    /// the folder's name): the program then runs without a single-instance socket.
    static QString nameForCurrentUser(const QString& profileSuffix = QString());

    /// Sends "open" to a running instance of the same user, naming `document` (an absolute path)
    /// when there is one; true when one took it.
    bool handOver(const QString& document = QString()) const;
    /// Starts listening; a socket left behind by a crashed instance is taken over. False when
    /// the name could not be bound.
    bool listen();

    const QString& name() const { return m_name; }

    /// How long a later start waits for the running one to answer.
    static constexpr int handOverTimeoutMs = 1000;

signals:
    /// A later start asked for the main window.
    void openRequested();
    /// A later start asked for the main window showing the document at `path`.
    void documentOpenRequested(const QString& path);

private:
    void accept();
    void read(QLocalSocket* socket);

    QString m_name;
    uid_t m_owner;
    QLocalServer* m_server = nullptr;
};

} // namespace orvela::platform
