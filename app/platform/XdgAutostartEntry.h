#pragma once

#include "platform/AutostartBackend.h"

#include <QString>
#include <QStringList>

namespace orvela::platform {

/// Launch at login through an XDG autostart entry, `$XDG_CONFIG_HOME/autostart/<appId>.desktop`.
/// The entry counts as enabled when it exists and is not switched off with `Hidden=true` (or
/// GNOME's `X-GNOME-Autostart-enabled=false`), which is how desktop settings panels disable it.
class XdgAutostartEntry : public AutostartBackend {
public:
    XdgAutostartEntry(QString appId, QString programPath, QStringList arguments = {});

    /// Where the entry lives for the current user; the directory is looked up on every call so
    /// a changed XDG_CONFIG_HOME is honoured.
    QString entryPath() const;

    bool isEnabled() const override;
    /// Writes the whole entry atomically, replacing a hidden one.
    bool enable() override;
    bool disable() override;

    /// The entry's Exec value for `program` and `arguments`, quoted and escaped as desktop
    /// entries require.
    static QString execLine(const QString& program, const QStringList& arguments);

private:
    QByteArray entryContents() const;

    QString m_appId;
    QString m_programPath;
    QStringList m_arguments;
};

} // namespace orvela::platform
