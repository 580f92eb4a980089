#pragma once

#include <QMainWindow>

namespace orvela::shell::views {

/// The main window, object name "main": at least 560 × 520, 860 × 620 at first. It announces
/// each time its content appears, right after the first frame of each opening, so the
/// composition root can restore the session then without holding that frame back.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    static constexpr QSize minimumContentSize{560, 520};
    static constexpr QSize defaultContentSize{860, 620};

    explicit MainWindow(QWidget* parent = nullptr);

    /// Shows the window, or brings it forward when it is already open.
    void bringForward();

signals:
    /// The window was opened (not merely un-minimised or uncovered) and has drawn its first
    /// frame, or was closed again before drawing one.
    void contentShown();
    /// The first frame of the window's life is on screen.
    void firstPainted();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void appeared(bool painted);

    bool m_appearing = false;
    bool m_painted = false;
};

} // namespace orvela::shell::views
