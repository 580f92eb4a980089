#pragma once

#include <QByteArray>
#include <QFrame>
#include <QImage>
#include <QString>

class QLabel;
class QTimer;

namespace orvela::common {
class LocalizationService;
}

namespace orvela::components {

/// The first page of a PDF as a picture, so that a person sees which document they check or
/// sign. The page is drawn on the thread pool at the widget's size and pixel ratio, again after
/// the widget has been resized; until then, and when the page cannot be drawn, a line of text in
/// the interface language stands in its place.
class PdfPagePreview : public QFrame {
    Q_OBJECT
public:
    enum class State {
        empty,     ///< no document
        rendering, ///< the page is being drawn
        shown,     ///< the page is shown
        failed     ///< the page could not be drawn; the placeholder says so
    };
    Q_ENUM(State)

    /// `texts` must outlive the widget.
    explicit PdfPagePreview(const common::LocalizationService& texts, QWidget* parent = nullptr);

    /// Shows the first page of the PDF at `path`; an empty path clears the preview.
    void setDocument(const QString& path);
    /// Shows the first page of a PDF already read; empty bytes clear the preview. The same bytes
    /// again change nothing.
    void setDocumentData(const QByteArray& pdf);
    const QString& document() const { return m_path; }
    State state() const { return m_state; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void stateChanged(orvela::components::PdfPagePreview::State state);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void start();
    QRect pageBox() const;
    void render();
    bool hasDocument() const { return !m_path.isEmpty() || !m_data.isEmpty(); }
    void setState(State state);
    void retranslate();

    const common::LocalizationService& m_texts;
    QLabel* m_message;
    QTimer* m_settle;
    QString m_path;
    QByteArray m_data;
    QImage m_page;
    QSize m_renderedFor; ///< the pixel box of the picture shown or being drawn
    State m_state = State::empty;
    quint64 m_task = 0; ///< numbers renders, so that a stale picture is dropped
};

} // namespace orvela::components
