#include "components/StatusDot.h"

#include <QPainter>

namespace orvela::components {

StatusDot::StatusDot(Tone tone, QWidget* parent) : QWidget(parent), m_tone(tone)
{
    setFixedSize(sizeHint());
}

void StatusDot::setTone(Tone tone)
{
    m_tone = tone;
    update();
}

void StatusDot::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(style::toneColors(m_tone).foreground);
    painter.drawEllipse(rect().adjusted(1, 1, -1, -1));
}

} // namespace orvela::components
