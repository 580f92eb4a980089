#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace orvela::shell {

/// Keeps one running program per user and profile: the first start listens on a local socket;
/// a later start hands over by sending "open" there and then exits, and the first one brings
/// its window forward.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    explicit SingleInstance(QString name, QObject* parent = nullptr);
    ~SingleInstance() override;

    /// The socket name for this user, with a suffix for a separate profile (the demo's).
    static QString nameForCurrentUser(const QString& profileSuffix = QString());

    /// Sends "open" to a running instance; true when one took it.
    bool handOver() const;
    /// Starts listening; a socket left behind by a crashed instance is taken over. False when
    /// the name could not be bound.
    bool listen();

    const QString& name() const { return m_name; }

    /// How long a later start waits for the running one to answer.
    static constexpr int handOverTimeoutMs = 1000;

signals:
    /// A later start asked for the main window.
    void openRequested();

private:
    void accept();

    QString m_name;
    QLocalServer* m_server = nullptr;
};

} // namespace orvela::shell
