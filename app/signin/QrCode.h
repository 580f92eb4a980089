#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace orvela::signin {

/// A QR code of a text (UTF-8, error correction level M), as a module matrix and as an image.
class QrCode {
public:
    /// Pixels per module in `image`.
    static constexpr int scale = 10;
    /// Light modules around the symbol, on every side.
    static constexpr int quietZone = 1;

    /// The code of `text`, or nothing when it cannot be encoded (too long, not valid text).
    static std::optional<QrCode> encode(const QString& text);

    /// Modules per side, without the quiet zone.
    int size() const { return m_size; }
    /// Whether the module at column `x`, row `y` is dark; outside the symbol is light.
    bool dark(int x, int y) const;
    /// The symbol with its quiet zone, `scale` pixels per module, drawn without smoothing:
    /// black on white, every module a sharp square.
    QImage image() const;
    /// The symbol for a terminal, two module rows per line with half blocks (▀ ▄ █), framed by
    /// a light border of `border` modules. Light modules are drawn as blocks: terminals draw
    /// text light on dark, so the code reads as dark on light to a camera.
    QStringList halfBlockLines(int border = 2) const;

private:
    QrCode(int size, std::vector<bool> modules) : m_size(size), m_modules(std::move(modules)) {}

    int m_size;
    std::vector<bool> m_modules;
};

} // namespace orvela::signin
