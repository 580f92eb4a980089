#include "components/StatusPill.h"

namespace orvela::components {

StatusPill::StatusPill(const QString& text, Tone tone, QWidget* parent)
    : QLabel(text, parent), m_tone(tone)
{
    setFont(style::captionFont());
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    style::followTheme(this, [this] { applyTone(); });
}

void StatusPill::setTone(Tone tone)
{
    m_tone = tone;
    applyTone();
}

void StatusPill::applyTone()
{
    const ToneColors colors = style::toneColors(m_tone);
    style::applySheet(this,
                      QStringLiteral("QLabel { color: %1; background: %2; border: 1px solid %3;"
                                     " border-radius: 8px; padding: 1px 10px; font-weight: 600; }")
                          .arg(style::cssColor(colors.foreground),
                               style::cssColor(colors.background), style::cssColor(colors.border)));
}

} // namespace orvela::components
