#pragma once

#include "components/Style.h"

#include <QWidget>

namespace orvela::components {

/// A small filled circle in a tone's colour, marking a state beside a line of text.
class StatusDot : public QWidget {
    Q_OBJECT

public:
    explicit StatusDot(Tone tone = Tone::neutral, QWidget* parent = nullptr);

    void setTone(Tone tone);
    Tone tone() const { return m_tone; }

    QSize sizeHint() const override { return {10, 10}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Tone m_tone;
};

} // namespace orvela::components
