#pragma once

#include <QByteArray>
#include <QString>

namespace orvela::common {

/// The application's own settings file (the one `QSettings()` uses), found without opening it:
/// opening is what hangs on a FIFO.
QString defaultSettingsPath();

/// True when the settings library may open `path`: it is missing, or it is a regular file (for
/// a link, its target). A FIFO would block the reader until somebody writes to it, a device
/// would feed it without end, a folder cannot be written.
bool isUsableSettingsFile(const QString& path);

/// Makes the settings file at `path` readable and writable by its owner only: creates it empty
/// with that mode (and its folder) when missing, narrows the mode of one that is there. The
/// file holds the activity log, which names the documents signed. The settings library keeps
/// an existing file's mode when it rewrites it, so this holds for every later write. A link is
/// left as it is: its target is written through it and keeps the mode its owner gave it. False
/// when the file could not be made or changed, or is no regular file.
bool makeSettingsFilePrivate(const QString& path);

/// Keeps `text`, which a rewrite of the settings file is about to leave out, in a new private
/// file beside it ("NAME.bad", else "NAME.bad.2" and on); never replaces an earlier one. The
/// name written, or empty when none could be.
QString keepBesideSettings(const QString& path, const QByteArray& text);

} // namespace orvela::common
