#include "signing/views/SignCards.h"

#include "components/Card.h"
#include "components/Labels.h"
#include "components/Style.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace orvela::signing::views::signcards {

using components::Card;
namespace style = components::style;

namespace {

/// A code without spaces (the digest) that wraps between any two characters in a narrow card,
/// where a word-wrapped label would cut it off; its text stays the code itself.
class WrappingCodeLabel : public QLabel {
public:
    using QLabel::QLabel;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override
    {
        return fontMetrics()
            .boundingRect(QRect(0, 0, qMax(1, width), QWIDGETSIZE_MAX), Qt::TextWrapAnywhere,
                          text())
            .height();
    }
    QSize sizeHint() const override
    {
        const int width = fontMetrics().horizontalAdvance(QString(16, QLatin1Char('0')));
        return {width, heightForWidth(width)};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(palette().color(foregroundRole()));
        painter.drawText(contentsRect(), Qt::TextWrapAnywhere | Qt::AlignLeft | Qt::AlignTop,
                         text());
    }
};

} // namespace

QLabel* wrappedLabel(QWidget* parent, const QFont& font, Qt::Alignment alignment)
{
    QLabel* label = components::wrappedLabel(parent);
    // Document names and the server's words pass through these labels: never as markup.
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    label->setAlignment(alignment);
    return label;
}

/// A card centred on the page, wide enough for the digest on one line, the same for every phase;
/// narrower beside the sidebar of the default window rather than past the page's edge.
Card* phaseCard(QWidget* parent)
{
    auto* card = new Card(parent);
    card->setMaximumWidth(600);
    card->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    card->contentLayout()->setSpacing(style::spacingM);
    return card;
}

QWidget* centred(Card* card)
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    // The card takes the page's width up to its maximum, centred by the stretches beside it,
    // so that its wrapped lines get the room their height was measured for.
    auto* row = new QHBoxLayout;
    row->addStretch(0);
    row->addWidget(card, 1);
    row->addStretch(0);
    layout->addLayout(row);
    layout->addStretch();
    return page;
}

QHBoxLayout* buttonRow()
{
    auto* row = new QHBoxLayout;
    row->setSpacing(style::spacingS);
    row->addStretch();
    return row;
}

QLabel* wrappingCodeLabel(QWidget* parent)
{
    return new WrappingCodeLabel(parent);
}

} // namespace orvela::signing::views::signcards
