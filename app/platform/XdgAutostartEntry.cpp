#include "platform/XdgAutostartEntry.h"

#include "common/AppIdentity.h"
#include "common/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <utility>

namespace orvela::platform {

namespace {

bool needsQuoting(const QString& argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    if (argument.isEmpty()) {
        return true;
    }
    for (const QChar character : argument) {
        if (reserved.contains(character)) {
            return true;
        }
    }
    return false;
}

QString quoteArgument(const QString& argument)
{
    QString quoted;
    if (needsQuoting(argument)) {
        quoted += QLatin1Char('"');
        for (const QChar character : argument) {
            if (character == '"' || character == '`' || character == '$' || character == '\\') {
                quoted += QLatin1Char('\\');
            }
            quoted += character;
        }
        quoted += QLatin1Char('"');
    } else {
        quoted = argument;
    }
    // A literal percent sign would otherwise read as a field code.
    quoted.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return quoted;
}

// The key's value in the [Desktop Entry] group, or an empty text.
QString desktopEntryValue(const QByteArray& contents, const QString& key)
{
    bool inMainGroup = false;
    for (const QByteArray& rawLine : contents.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (inMainGroup && equals > 0 && line.left(equals).trimmed() == key) {
            return line.mid(equals + 1).trimmed();
        }
    }
    return {};
}

} // namespace

XdgAutostartEntry::XdgAutostartEntry(QString appId, QString programPath, QStringList arguments)
    : m_appId(std::move(appId)), m_programPath(std::move(programPath)),
      m_arguments(std::move(arguments))
{}

QString XdgAutostartEntry::entryPath() const
{
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return config + QStringLiteral("/autostart/") + m_appId + QStringLiteral(".desktop");
}

bool XdgAutostartEntry::isEnabled() const
{
    QFile file(entryPath());
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray contents = file.readAll();
    if (desktopEntryValue(contents, QStringLiteral("Hidden")).toLower() == QLatin1String("true")) {
        return false;
    }
    return desktopEntryValue(contents, QStringLiteral("X-GNOME-Autostart-enabled")).toLower() !=
           QLatin1String("false");
}

bool XdgAutostartEntry::enable()
{
    const QString path = entryPath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        return false;
    }
    return !common::writeFileAtomically(path, entryContents());
}

bool XdgAutostartEntry::disable()
{
    QFile file(entryPath());
    return !file.exists() || file.remove();
}

QString XdgAutostartEntry::execLine(const QString& program, const QStringList& arguments)
{
    QStringList parts{quoteArgument(program)};
    for (const QString& argument : arguments) {
        parts.append(quoteArgument(argument));
    }
    QString line = parts.join(QLatin1Char(' '));
    // The value is itself an escaped string, so each backslash of the quoting is doubled.
    line.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return line;
}

QByteArray XdgAutostartEntry::entryContents() const
{
    QString text;
    text += QStringLiteral("[Desktop Entry]\n");
    text += QStringLiteral("Type=Application\n");
    // Named and drawn as the menu entry, so the session's start-up list shows the same program.
    text += QStringLiteral("Name=") + QString::fromUtf8(common::displayName) + QLatin1Char('\n');
    text += QStringLiteral("Comment=") + QString::fromUtf8(common::displayName) +
            QStringLiteral(" e-ID\n");
    text += QStringLiteral("Icon=") + QString::fromUtf8(common::desktopId) + QLatin1Char('\n');
    text += QStringLiteral("Exec=") + execLine(m_programPath, m_arguments) + QLatin1Char('\n');
    text += QStringLiteral("Terminal=false\n");
    text += QStringLiteral("X-GNOME-Autostart-enabled=true\n");
    return text.toUtf8();
}

} // namespace orvela::platform
