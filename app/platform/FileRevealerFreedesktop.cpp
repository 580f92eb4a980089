#include "platform/FileRevealerFreedesktop.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDesktopServices>
#include <QFileInfo>

namespace orvela::platform {

FileRevealerFreedesktop::FileRevealerFreedesktop(QDBusConnection bus, OpenUrl openFolder,
                                                 QObject* parent)
    : QObject(parent), m_bus(std::move(bus)),
      m_openFolder(openFolder ? std::move(openFolder)
                              : OpenUrl([](const QUrl& url) { QDesktopServices::openUrl(url); }))
{}

void FileRevealerFreedesktop::reveal(const QString& path)
{
    const QFileInfo file(path);
    const QUrl folder = QUrl::fromLocalFile(file.absolutePath());
    if (!m_bus.isConnected()) {
        m_openFolder(folder);
        return;
    }
    auto message = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
                                                  QStringLiteral("/org/freedesktop/FileManager1"),
                                                  QStringLiteral("org.freedesktop.FileManager1"),
                                                  QStringLiteral("ShowItems"));
    // A URI, so spaces and non-ASCII names travel percent-encoded.
    message
        << QStringList{QUrl::fromLocalFile(file.absoluteFilePath()).toString(QUrl::FullyEncoded)}
        << QString();
    // Asynchronous: a file manager that is slow to start must not freeze the window.
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, folder](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                if (call->isError()) {
                    m_openFolder(folder);
                }
            });
}

} // namespace orvela::platform
