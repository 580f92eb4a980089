#include "components/IconLibrary.h"

#include "components/Style.h"

#include <QApplication>
#include <QFile>
#include <QHash>
#include <QLabel>
#include <QIconEngine>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QSvgRenderer>
#include <memory>

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

QByteArray drawing(const QString& symbol)
{
    // Each drawing is read from the resources once; screens ask for the same few many times.
    static QHash<QString, QByteArray> cache;
    const QString known = knownOrUnknown(symbol);
    auto it = cache.constFind(known);
    if (it == cache.cend()) {
        QFile file(IconLibrary::fallbackPath(known));
        it = cache.insert(known, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
    }
    return *it;
}

QPixmap render(QSvgRenderer& renderer, const QSize& size)
{
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return pixmap;
}

QPixmap render(const QString& symbol, int size, const QColor& color)
{
    QByteArray svg = drawing(symbol);
    if (color.isValid()) {
        svg.replace(kDrawingColor, color.name(QColor::HexRgb).toLatin1());
    }
    QSvgRenderer renderer(svg);
    return render(renderer, QSize(size, size));
}

/// Draws a shipped drawing at the size asked for, when asked: a sidebar of icons costs one
/// small rendering each rather than every size up front.
class DrawingEngine : public QIconEngine {
public:
    explicit DrawingEngine(QString symbol) : m_symbol(std::move(symbol)) {}

    QIconEngine* clone() const override { return new DrawingEngine(m_symbol); }
    QString key() const override { return QStringLiteral("orvela-drawing"); }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override
    {
        // The drawings' own grey is made for light windows; a dark one takes the light grey.
        const bool dark = style::isDark(QApplication::palette());
        const quint64 key = (quint64(dark) << 63) | (quint64(size.width()) << 32) |
                            (quint64(size.height()) << 2) | quint64(mode);
        auto it = m_pixmaps.constFind(key);
        if (it != m_pixmaps.cend()) {
            return *it;
        }
        if (!m_renderer) {
            m_renderer = std::make_unique<QSvgRenderer>(drawing(m_symbol));
        }
        QPixmap result =
            dark ? render(m_symbol, size.width(), style::iconColor(QApplication::palette()))
                 : render(*m_renderer, size);
        if (mode != QIcon::Normal && mode != QIcon::Active) {
            QStyleOption option;
            option.palette = QApplication::palette();
            result = QApplication::style()->generatedIconPixmap(mode, result, &option);
        }
        m_pixmaps.insert(key, result);
        return result;
    }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap drawn = pixmap((QSizeF(rect.size()) * ratio).toSize(), mode, state);
        drawn.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect, drawn);
    }

private:
    QString m_symbol;
    std::unique_ptr<QSvgRenderer> m_renderer;
    QHash<quint64, QPixmap> m_pixmaps;
};

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
    // Drawn here rather than through the SVG icon plugin, which a minimal install may lack.
    return QIcon(new DrawingEngine(symbol));
}

void IconLibrary::showThemed(QLabel* label, const QString& symbol, int size, Tone tone)
{
    style::followTheme(label, [label, symbol, size, tone] {
        const QColor color = tone == Tone::neutral
                                 ? style::iconColor(QApplication::palette())
                                 : style::toneColors(tone).foreground;
        label->setPixmap(tinted(symbol, color, size));
    });
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
