#include "signin/views/QrImageView.h"

#include "signin/QrCode.h"

#include <QPainter>

namespace orvela::signin::views {

QrImageView::QrImageView(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void QrImageView::setCode(const QImage& code)
{
    m_code = code;
    update();
}

QImage QrImageView::displayed(const QImage& code, int maxSide)
{
    if (code.isNull()) {
        return {};
    }
    // The code comes at QrCode::scale pixels per module with a quiet zone of QrCode::quietZone.
    const int side = qMax(code.width(), code.height());
    const int modules = side % QrCode::scale == 0 ? side / QrCode::scale : side;
    const int pixelsPerModule = side / modules;
    const int extra = quietModules - QrCode::quietZone;
    const int total = modules + 2 * extra;
    const int perModule = qMax(1, maxSide / total);
    QImage out(total * perModule, total * perModule, QImage::Format_RGB32);
    out.fill(Qt::white);
    for (int y = 0; y < modules; ++y) {
        for (int x = 0; x < modules; ++x) {
            const QPoint centre(x * pixelsPerModule + pixelsPerModule / 2,
                                y * pixelsPerModule + pixelsPerModule / 2);
            if (qGray(code.pixel(centre)) < 128) {
                const QRect module((x + extra) * perModule, (y + extra) * perModule, perModule,
                                   perModule);
                for (int py = module.top(); py <= module.bottom(); ++py) {
                    auto* line = reinterpret_cast<QRgb*>(out.scanLine(py));
                    std::fill(line + module.left(), line + module.right() + 1, qRgb(0, 0, 0));
                }
            }
        }
    }
    return out;
}

QSize QrImageView::sizeHint() const
{
    return {preferredSide, preferredSide};
}

QSize QrImageView::minimumSizeHint() const
{
    return {minimumSide, minimumSide};
}

void QrImageView::paintEvent(QPaintEvent*)
{
    const QImage image = displayed(m_code, qMin(width(), height()));
    if (image.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.drawImage(QPoint((width() - image.width()) / 2, (height() - image.height()) / 2),
                      image);
}

} // namespace orvela::signin::views
