#include "SamplePdf.h"

#include <QBuffer>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

namespace orvela::testing {

QByteArray samplePdf(const QString& title)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(72);
        QPainter painter(&writer);
        const QRect page = painter.viewport();
        const auto at = [&page](double fraction) { return int(page.height() * fraction); };
        painter.fillRect(QRect(page.width() / 10, at(sampleBarTop), page.width() * 8 / 10,
                               at(sampleBarBottom) - at(sampleBarTop)),
                         Qt::black);
        QFont heading = painter.font();
        heading.setPointSize(24);
        painter.setFont(heading);
        painter.drawText(QRect(page.width() / 10, at(0.2), page.width() * 8 / 10, at(0.08)),
                         Qt::AlignLeft | Qt::AlignVCenter, title);
        QFont body = heading;
        body.setPointSize(11);
        painter.setFont(body);
        for (int line = 0; line < 20; ++line) {
            painter.drawText(
                QPoint(page.width() / 10, at(0.32) + line * 18),
                QStringLiteral("Article %1. The parties agree to the terms above.").arg(line + 1));
        }
    }
    return buffer.data();
}

} // namespace orvela::testing
