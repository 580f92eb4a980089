#pragma once

#include "platform/FileRevealer.h"

#include <QDBusConnection>
#include <QObject>
#include <QUrl>
#include <functional>

namespace orvela::platform {

/// Asks the desktop's file manager to show the file selected
/// (org.freedesktop.FileManager1.ShowItems on the session bus); where no file manager answers,
/// opens the containing folder instead.
class FileRevealerFreedesktop : public QObject, public FileRevealer {
    Q_OBJECT
public:
    /// How a folder is opened when no file manager answers; default QDesktopServices::openUrl.
    using OpenUrl = std::function<void(const QUrl&)>;

    explicit FileRevealerFreedesktop(QDBusConnection bus = QDBusConnection::sessionBus(),
                                     OpenUrl openFolder = {}, QObject* parent = nullptr);

    void reveal(const QString& path) override;

private:
    QDBusConnection m_bus;
    OpenUrl m_openFolder;
};

} // namespace orvela::platform
