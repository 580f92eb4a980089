#pragma once

#include <QFrame>

class QLabel;

namespace orvela::certificates {
class VerifyController;
}

namespace orvela::certificates::views {

/// The dashed area a certificate file is dropped on. Its tint deepens while a drag hovers.
class DropZone : public QFrame {
    Q_OBJECT
public:
    explicit DropZone(VerifyController& controller, QWidget* parent = nullptr);

    /// The row under the hint where the buttons go.
    QLayout* buttonRow() const { return m_buttons; }
    void setHint(const QString& hint);
    void setSourcePath(const QString& path);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void elidePath();

    VerifyController& m_controller;
    QLabel* m_hint;
    QLabel* m_path;
    QString m_fullPath;
    QLayout* m_buttons;
};

} // namespace orvela::certificates::views
