#pragma once

#include "components/Style.h"

#include <QLabel>

namespace orvela::components {

/// A short status text in a rounded, tone-coloured capsule ("Connected", "Checking...").
class StatusPill : public QLabel {
    Q_OBJECT

public:
    explicit StatusPill(const QString& text = QString(), Tone tone = Tone::neutral,
                        QWidget* parent = nullptr);

    void setTone(Tone tone);
    Tone tone() const { return m_tone; }

private:
    void applyTone();

    Tone m_tone;
};

} // namespace orvela::components
