#include "dashboard/views/SidebarList.h"

#include "components/IconLibrary.h"
#include "components/Style.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolTip>

namespace orvela::dashboard::views {

namespace style = components::style;

namespace {

constexpr int keyRole = Qt::UserRole;
constexpr int symbolRole = Qt::UserRole + 1;
constexpr int rowHeight = 30;
constexpr int iconSize = 18;

/// Draws a row: the chosen page filled with the highlight colour, the keyboard cursor as a ring
/// in the text colour, which stands out on the sidebar and around the filled row alike.
class SidebarDelegate : public QStyledItemDelegate {
public:
    explicit SidebarDelegate(SidebarList* list) : QStyledItemDelegate(list), m_list(list) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const int textWidth =
            m_list->isCollapsed()
                ? 0
                : option.fontMetrics.horizontalAdvance(index.data().toString()) + style::spacingS;
        return {iconSize + 2 * style::spacingM + textWidth, rowHeight};
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        const QPalette& palette = option.palette;
        const bool chosen = option.state & QStyle::State_Selected;
        const QRect row = option.rect.adjusted(0, 1, 0, -1);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        if (chosen) {
            painter->setPen(Qt::NoPen);
            painter->setBrush(palette.color(QPalette::Highlight));
            painter->drawRoundedRect(row, style::radiusS, style::radiusS);
        } else if (option.state & QStyle::State_MouseOver) {
            painter->setPen(Qt::NoPen);
            painter->setBrush(palette.color(QPalette::AlternateBase));
            painter->drawRoundedRect(row, style::radiusS, style::radiusS);
        }
        const QColor ink =
            chosen ? palette.color(QPalette::HighlightedText) : palette.color(QPalette::WindowText);
        const QColor iconInk = chosen ? ink : style::iconColor(palette);
        const QRect icon(row.left() + style::spacingM, row.center().y() - iconSize / 2 + 1,
                         iconSize, iconSize);
        painter->drawPixmap(icon, components::IconLibrary::tinted(index.data(symbolRole).toString(),
                                                                  iconInk, iconSize));
        if (!m_list->isCollapsed()) {
            painter->setPen(ink);
            painter->setFont(option.font);
            const QRect text =
                row.adjusted(icon.right() + style::spacingS - row.left(), 0, -style::spacingXs, 0);
            painter->drawText(text, Qt::AlignVCenter | Qt::AlignLeft,
                              option.fontMetrics.elidedText(index.data().toString(), Qt::ElideRight,
                                                            text.width()));
        }
        if ((option.state & QStyle::State_HasFocus) && m_list->hasFocus()) {
            painter->setPen(QPen(palette.color(QPalette::WindowText), 2));
            painter->setBrush(Qt::NoBrush);
            painter->drawRoundedRect(QRectF(row).adjusted(1, 1, -1, -1), style::radiusS,
                                     style::radiusS);
        }
        painter->restore();
    }

private:
    SidebarList* m_list;
};

} // namespace

SidebarList::SidebarList(QWidget* parent) : QListWidget(parent)
{
    setItemDelegate(new SidebarDelegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // All rows fit from the smallest window up; in a shorter one the rows scroll with the wheel
    // and the keyboard cursor, and a scroll bar would take the collapsed sidebar's width.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setMouseTracking(true);
    setUniformItemSizes(true);
    // The rows sit on the sidebar itself, not on a field.
    viewport()->setAutoFillBackground(false);
    setAutoFillBackground(false);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { emit chosen(item->data(keyRole).toInt()); });
}

QListWidgetItem* SidebarList::addEntry(const QString& symbol, int key)
{
    auto* item = new QListWidgetItem(this);
    item->setData(keyRole, key);
    item->setData(symbolRole, symbol);
    return item;
}

QListWidgetItem* SidebarList::entry(int key) const
{
    for (int row = 0; row < count(); ++row) {
        if (item(row)->data(keyRole).toInt() == key) {
            return item(row);
        }
    }
    return nullptr;
}

void SidebarList::setEntryText(int key, const QString& text)
{
    if (QListWidgetItem* row = entry(key)) {
        row->setText(text);
    }
}

void SidebarList::showChosen(int key)
{
    if (QListWidgetItem* row = entry(key)) {
        setCurrentItem(row, QItemSelectionModel::ClearAndSelect);
    } else {
        clearSelection();
    }
}

void SidebarList::setCollapsed(bool collapsed)
{
    m_collapsed = collapsed;
    doItemsLayout();
    updateGeometry();
}

bool SidebarList::viewportEvent(QEvent* event)
{
    // Collapsed, a row's name shows when pointed at. Not as the rows' tooltip: a screen reader
    // would read that as a description, the name a second time.
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        QListWidgetItem* row = itemAt(help->pos());
        if (m_collapsed && row) {
            QToolTip::showText(help->globalPos(), row->text(), viewport(), visualItemRect(row));
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    return QListWidget::viewportEvent(event);
}

QSize SidebarList::sizeHint() const
{
    return {QListWidget::sizeHint().width(), count() * rowHeight + 2 * frameWidth()};
}

QItemSelectionModel::SelectionFlags SidebarList::selectionCommand(const QModelIndex& index,
                                                                  const QEvent* event) const
{
    // Moving the cursor with the keys only looks; choosing is a separate step, so walking down
    // the list does not open (and build) every page on the way.
    if (event && event->type() == QEvent::KeyPress) {
        return QItemSelectionModel::NoUpdate;
    }
    return QListWidget::selectionCommand(index, event);
}

void SidebarList::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) && currentItem()) {
        emit chosen(currentItem()->data(keyRole).toInt());
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

} // namespace orvela::dashboard::views
