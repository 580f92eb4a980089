#include "components/IconLibrary.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

// Resources of a static library are only linked in when something asks for them by name.
static void loadShippedIcons()
{
    Q_INIT_RESOURCE(icons);
}

namespace orvela::components {

namespace {

const QString kUnknownSymbol = QStringLiteral("questionmark.circle");

const QHash<QString, QStringList>& themeTable()
{
    static const QHash<QString, QStringList> table{
        {"lock.shield", {"security-high", "channel-secure"}},
        {"checkmark.shield.fill", {"security-high", "emblem-ok"}},
        {"xmark.shield", {"security-low", "dialog-error"}},
        {"shield.checkered", {"security-medium", "security-high"}},
        {"checkmark.seal.fill", {"emblem-ok", "dialog-ok"}},
        {"checkmark.circle.fill", {"emblem-ok", "dialog-ok"}},
        {"xmark.circle.fill", {"dialog-error", "process-stop"}},
        {"plus.circle.fill", {"list-add", "add"}},
        {"arrow.down.circle.fill", {"software-update-available", "go-down"}},
        {"info.circle", {"dialog-information", "help-about"}},
        {"exclamationmark.triangle.fill", {"dialog-warning"}},
        {"doc.text", {"text-x-generic", "document-properties"}},
        {"doc.text.magnifyingglass", {"document-preview", "edit-find"}},
        {"arrow.up.doc", {"document-send", "document-export"}},
        {"arrow.up.doc.fill", {"document-send", "document-open"}},
        {"arrow.clockwise", {"view-refresh"}},
        {"arrow.right.square", {"system-log-out", "go-next"}},
        {"square.and.arrow.down", {"document-import", "document-save"}},
        {"chevron.right", {"go-next"}},
        {"chevron.left", {"go-previous"}},
        {"lock.fill", {"system-lock-screen", "changes-prevent"}},
        {"lock.open", {"changes-allow"}},
        {"lock.rotation", {"view-refresh", "changes-prevent"}},
        {"key.fill", {"dialog-password"}},
        {"key.horizontal.fill", {"dialog-password"}},
        {"key.viewfinder", {"dialog-password"}},
        {"key.radiowaves.forward", {"dialog-password"}},
        {"list.bullet.rectangle", {"view-list-details", "view-list"}},
        {"iphone", {"phone"}},
        {"iphone.slash", {"phone"}},
        {"antenna.radiowaves.left.and.right", {"network-wireless"}},
        {"signature", {"document-edit", "accessories-text-editor"}},
        {"trash", {"edit-delete", "user-trash"}},
        {"tray", {"mail-inbox", "folder"}},
        {"sparkles", {"starred"}},
        {"folder", {"folder"}},
        {"clock", {"appointment-soon", "alarm"}},
        {"checkmark", {"object-select", "dialog-ok"}},
        {"questionmark.circle", {"help-contents", "help-browser"}},
    };
    return table;
}

QString knownOrUnknown(const QString& symbol)
{
    return themeTable().contains(symbol) ? symbol : kUnknownSymbol;
}

// The colour the shipped drawings are made in; tinting swaps it, keeping white details white.
constexpr char kDrawingColor[] = "#4A5568";

QPixmap render(const QString& symbol, int size, const QColor& color = QColor())
{
    QFile file(IconLibrary::fallbackPath(knownOrUnknown(symbol)));
    QByteArray svg = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    if (color.isValid()) {
        svg.replace(kDrawingColor, color.name(QColor::HexRgb).toLatin1());
    }
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(svg);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return pixmap;
}

} // namespace

QIcon IconLibrary::icon(const QString& symbol)
{
    for (const QString& name : themeNames(symbol)) {
        if (QIcon::hasThemeIcon(name)) {
            return QIcon::fromTheme(name);
        }
    }
    return fallbackIcon(symbol);
}

QIcon IconLibrary::fallbackIcon(const QString& symbol)
{
    // Rendered here rather than through the SVG icon plugin, which a minimal install may lack.
    QIcon result;
    for (int size : {16, 24, 32, 48, 64}) {
        result.addPixmap(render(symbol, size));
    }
    return result;
}

QPixmap IconLibrary::tinted(const QString& symbol, const QColor& color, int size)
{
    return render(symbol, size, color);
}

QStringList IconLibrary::themeNames(const QString& symbol)
{
    return themeTable().value(symbol);
}

QStringList IconLibrary::knownSymbols()
{
    QStringList symbols = themeTable().keys();
    symbols.sort();
    return symbols;
}

QString IconLibrary::fallbackPath(const QString& symbol)
{
    static const bool loaded = (loadShippedIcons(), true);
    Q_UNUSED(loaded);
    return QStringLiteral(":/orvela/icons/%1.svg").arg(symbol);
}

} // namespace orvela::components
