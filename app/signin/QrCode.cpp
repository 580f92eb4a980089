#include "signin/QrCode.h"

#include <memory>
#include <qrencode.h>

namespace orvela::signin {

std::optional<QrCode> QrCode::encode(const QString& text)
{
    // Lone surrogates have no UTF-8 form; Qt would replace them, which would change the text.
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
        } else if (c.isSurrogate()) {
            return std::nullopt;
        }
    }
    const QByteArray bytes = text.toUtf8();
    std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeData(static_cast<int>(bytes.size()),
                          reinterpret_cast<const unsigned char*>(bytes.constData()), 0,
                          QR_ECLEVEL_M),
        &QRcode_free);
    if (!code) {
        return std::nullopt;
    }
    const int size = code->width;
    std::vector<bool> modules(static_cast<std::size_t>(size) * static_cast<std::size_t>(size));
    for (std::size_t i = 0; i < modules.size(); ++i) {
        modules[i] = (code->data[i] & 1) != 0; // bit 0 is the module's colour
    }
    return QrCode(size, std::move(modules));
}

bool QrCode::dark(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_size || y >= m_size) {
        return false;
    }
    return m_modules[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_size) +
                     static_cast<std::size_t>(x)];
}

QImage QrCode::image() const
{
    const int side = (m_size + 2 * quietZone) * scale;
    QImage image(side, side, QImage::Format_Grayscale8);
    for (int py = 0; py < side; ++py) {
        uchar* line = image.scanLine(py);
        const int y = py / scale - quietZone;
        for (int px = 0; px < side; ++px) {
            line[px] = dark(px / scale - quietZone, y) ? 0 : 255;
        }
    }
    return image;
}

} // namespace orvela::signin

namespace orvela::signin {

QStringList QrCode::halfBlockLines(int border) const
{
    const int first = -border;
    const int last = m_size + border; // exclusive
    QStringList lines;
    for (int y = first; y < last; y += 2) {
        QString line;
        for (int x = first; x < last; ++x) {
            const bool topLight = !dark(x, y);
            const bool bottomLight = y + 1 < last && !dark(x, y + 1);
            line += topLight && bottomLight ? QChar(0x2588) // █
                    : topLight              ? QChar(0x2580) // ▀
                    : bottomLight           ? QChar(0x2584) // ▄
                                            : QChar(u' ');
        }
        lines.append(line);
    }
    return lines;
}

} // namespace orvela::signin
