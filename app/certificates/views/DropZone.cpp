#include "certificates/views/DropZone.h"

#include "certificates/VerifyController.h"
#include "components/IconLibrary.h"
#include "components/Style.h"

#include <QDragEnterEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QVBoxLayout>

namespace orvela::certificates::views {

namespace style = components::style;

namespace {
constexpr double kTint = 0.35;
constexpr double kTintTargeted = 0.65;
} // namespace

DropZone::DropZone(VerifyController& controller, QWidget* parent)
    : QFrame(parent), m_controller(controller), m_hint(new QLabel(this)), m_path(new QLabel(this))
{
    setAcceptDrops(true);
    setMinimumHeight(150);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(style::spacingXl, style::spacingL, style::spacingXl,
                               style::spacingL);
    auto* icon = new QLabel(this);
    components::IconLibrary::showThemed(icon, QStringLiteral("doc.text.magnifyingglass"), 36,
                                        components::Tone::info);
    icon->setAlignment(Qt::AlignHCenter);
    m_hint->setAlignment(Qt::AlignHCenter);
    m_hint->setWordWrap(true);
    m_path->setAlignment(Qt::AlignHCenter);
    m_path->setTextFormat(Qt::PlainText); // a file name is never markup
    m_path->setFont(style::captionFont());
    // The path is elided to the zone's width; as a minimum width it would hold the zone at
    // the width it once had and push a narrower page into scrolling sideways.
    m_path->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_path->setVisible(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_buttons = buttons;
    layout->addWidget(icon);
    layout->addWidget(m_hint);
    layout->addWidget(m_path);
    layout->addLayout(buttons);
    connect(&m_controller, &VerifyController::changed, this, [this] { update(); });
}

void DropZone::setHint(const QString& hint)
{
    m_hint->setText(hint);
}

void DropZone::setSourcePath(const QString& path)
{
    m_fullPath = path;
    m_path->setVisible(!path.isEmpty());
    m_path->setToolTip(path);
    elidePath();
}

void DropZone::elidePath()
{
    // One line, shortened in the middle, so both the folder and the file name stay readable.
    const int room = std::max(80, width() - 2 * style::spacingXl);
    m_path->setText(m_path->fontMetrics().elidedText(m_fullPath, Qt::ElideMiddle, room));
}

void DropZone::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    elidePath();
}

void DropZone::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = QRectF(rect()).adjusted(1, 1, -1, -1);
    QColor fill = style::toneColors(components::Tone::info).background;
    fill.setAlphaF(static_cast<float>(m_controller.isDropTargeted() ? kTintTargeted : kTint));
    QPen outline(style::toneColors(components::Tone::info).foreground, 1.5, Qt::DashLine);
    painter.setPen(outline);
    painter.setBrush(fill);
    painter.drawRoundedRect(area, style::radiusL, style::radiusL);
}

void DropZone::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls()) {
        m_controller.setDropTargeted(true);
        event->acceptProposedAction();
    }
}

void DropZone::dragLeaveEvent(QDragLeaveEvent* event)
{
    m_controller.setDropTargeted(false);
    QFrame::dragLeaveEvent(event);
}

void DropZone::dropEvent(QDropEvent* event)
{
    m_controller.setDropTargeted(false);
    if (m_controller.dropUrls(event->mimeData()->urls())) {
        event->acceptProposedAction();
    }
}

} // namespace orvela::certificates::views
