#pragma once

#include <QObject>
#include <QStringList>

namespace orvela::signingtest {

/// A file manager on the session bus that remembers what it was asked to show.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QList<QStringList> shown;

public slots:
    void ShowItems(const QStringList& uris, const QString& startupId)
    {
        Q_UNUSED(startupId);
        shown.append(uris);
    }
};

} // namespace orvela::signingtest
