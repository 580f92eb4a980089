#pragma once

#include <QMainWindow>

namespace orvela::shell {

/// The main window, object name "main": at least 560 × 520, 860 × 620 at first. It announces
/// each time its content appears, so the composition root can restore the session then.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    static constexpr QSize minimumContentSize{560, 520};
    static constexpr QSize defaultContentSize{860, 620};

    explicit MainWindow(QWidget* parent = nullptr);

    /// Shows the window, or brings it forward when it is already open.
    void bringForward();

    /// Prints the time since process start and quits at the first paint; for the start-up
    /// benchmark only.
    void exitAfterFirstPaint();

signals:
    /// The window was opened (not merely un-minimised or uncovered).
    void contentShown();
    void firstPainted();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool m_painted = false;
};

} // namespace orvela::shell
