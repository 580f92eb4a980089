#pragma once

#include <QImage>
#include <QWidget>

namespace orvela::signin::views {

/// The sign-in QR code, drawn as large as the room it gets allows, up to `preferredSide`: in the
/// smallest window the layout shrinks it (never below `minimumSide`) rather than cutting it off,
/// and every module stays a sharp square of a whole number of pixels.
class QrImageView : public QWidget {
    Q_OBJECT

public:
    static constexpr int preferredSide = 240;
    static constexpr int minimumSide = 120;
    /// Light modules round the symbol as drawn; four keep it readable on the dark theme too.
    static constexpr int quietModules = 4;

    explicit QrImageView(QWidget* parent = nullptr);

    /// `code` as QrCode::image draws it; a null image shows nothing.
    void setCode(const QImage& code);
    const QImage& code() const { return m_code; }

    /// `code` as drawn in a square of `maxSide` pixels: its quiet zone widened to
    /// `quietModules`, scaled by a whole factor without smoothing.
    static QImage displayed(const QImage& code, int maxSide = preferredSide);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_code;
};

} // namespace orvela::signin::views
