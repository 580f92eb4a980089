#include "components/PdfPagePreview.h"

#include "common/LocalizationService.h"
#include "common/PoolTask.h"
#include "components/PdfPageRenderer.h"
#include "components/Style.h"

#include <QLabel>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

namespace orvela::components {

namespace {
// A resize drag produces many sizes in a row; the page is drawn again once it rests.
constexpr int kSettleMs = 150;
} // namespace

PdfPagePreview::PdfPagePreview(const common::LocalizationService& texts, QWidget* parent)
    : QFrame(parent), m_texts(texts), m_message(new QLabel(this)), m_settle(new QTimer(this))
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(style::spacingM, style::spacingM, style::spacingM, style::spacingM);
    m_message->setAlignment(Qt::AlignCenter);
    m_message->setWordWrap(true);
    m_message->setTextFormat(Qt::PlainText);
    m_message->setObjectName(QStringLiteral("previewMessage"));
    style::showAsSecondaryText(m_message);
    layout->addWidget(m_message);
    m_settle->setSingleShot(true);
    m_settle->setInterval(kSettleMs);
    connect(m_settle, &QTimer::timeout, this, &PdfPagePreview::render);
    connect(&m_texts, &common::LocalizationService::languageChanged, this,
            &PdfPagePreview::retranslate);
    retranslate();
    setState(State::empty);
}

QSize PdfPagePreview::sizeHint() const
{
    return {240, 320};
}

QSize PdfPagePreview::minimumSizeHint() const
{
    return {150, 200};
}

void PdfPagePreview::setDocument(const QString& path)
{
    m_path = path;
    m_data = QByteArray();
    start();
}

void PdfPagePreview::setDocumentData(const QByteArray& pdf)
{
    if (pdf.isSharedWith(m_data) && m_path.isEmpty()) {
        return;
    }
    m_path.clear();
    m_data = pdf;
    start();
}

void PdfPagePreview::start()
{
    m_page = QImage();
    m_renderedFor = QSize();
    ++m_task;
    m_settle->stop();
    if (!hasDocument()) {
        setState(State::empty);
        return;
    }
    setState(State::rendering);
    // Next turn, once the page around the preview has been laid out and gave it its size.
    QTimer::singleShot(0, this, [this, task = m_task] {
        if (task == m_task) {
            render();
        }
    });
}

void PdfPagePreview::render()
{
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = pageBox().size() * ratio;
    if (!hasDocument() || pixels.isEmpty() || pixels == m_renderedFor) {
        return;
    }
    m_renderedFor = pixels;
    const quint64 task = ++m_task;
    common::runOnPool(
        common::documentPool(), this,
        [path = m_path, data = m_data, pixels] {
            return path.isEmpty() ? PdfPageRenderer::renderFirstPage(data, pixels)
                                  : PdfPageRenderer::renderFirstPage(path, pixels);
        },
        [this, task, ratio](const PdfPageImage& result) {
            if (task != m_task) {
                return;
            }
            m_page = result.image;
            m_page.setDevicePixelRatio(ratio);
            setState(result.status == PdfPageImage::Status::rendered ? State::shown
                                                                     : State::failed);
        });
}

void PdfPagePreview::setState(State state)
{
    m_state = state;
    m_message->setVisible(state == State::rendering || state == State::failed);
    retranslate();
    update();
    emit stateChanged(state);
}

void PdfPagePreview::retranslate()
{
    setAccessibleName(m_texts.localized(QStringLiteral("Preview_Name")));
    const QString message = m_state == State::failed ? QStringLiteral("Preview_Failed")
                                                     : QStringLiteral("Preview_Rendering");
    m_message->setText(m_texts.localized(message));
    // A screen reader learns what the picture shows, or why there is none.
    setAccessibleDescription(m_state == State::shown ? QString() : m_message->text());
}

void PdfPagePreview::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    if (hasDocument() && m_state != State::failed) {
        m_settle->start();
    }
}

void PdfPagePreview::showEvent(QShowEvent* event)
{
    QFrame::showEvent(event);
    if (hasDocument() && m_state != State::failed) {
        m_settle->start();
    }
}

QRect PdfPagePreview::pageBox() const
{
    // A pixel all round for the page's edge, which a white page on a white card needs.
    return contentsRect().adjusted(1, 1, -1, -1);
}

void PdfPagePreview::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    if (m_state == State::rendering || m_state == State::failed) {
        // The place of the page, so the words in it read as standing for a page.
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(style::iconColor(palette()), 1, Qt::DashLine));
        painter.drawRoundedRect(QRectF(pageBox()).adjusted(0.5, 0.5, -0.5, -0.5), style::radiusS,
                                style::radiusS);
    }
    if (m_state != State::shown || m_page.isNull()) {
        return;
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // Until a resize has been drawn anew, the picture is scaled to the new box.
    const QSizeF logical = m_page.deviceIndependentSize();
    const QSizeF fitted = logical.scaled(QSizeF(pageBox().size()), Qt::KeepAspectRatio);
    QRectF target(QPointF(), fitted);
    target.moveCenter(QRectF(pageBox()).center());
    painter.fillRect(target, Qt::white); // a page with no background of its own is paper
    painter.drawImage(target, m_page);
    painter.setPen(style::iconColor(palette()));
    painter.drawRect(target.adjusted(-0.5, -0.5, 0.5, 0.5));
}

} // namespace orvela::components
