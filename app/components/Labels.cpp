#include "components/Labels.h"

#include "components/IconLibrary.h"

#include <QLabel>
#include <QProgressBar>

namespace orvela::components {

QLabel* symbolLabel(const QString& symbol, const QColor& color, int size, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setPixmap(IconLibrary::tinted(symbol, color, size));
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QLabel* toneSymbolLabel(const QString& symbol, Tone tone, int size, QWidget* parent)
{
    auto* label = new QLabel(parent);
    IconLibrary::showThemed(label, symbol, size, tone);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QLabel* themedSymbolLabel(const QString& symbol, int size, QWidget* parent)
{
    auto* label = new QLabel(parent);
    IconLibrary::showThemed(label, symbol, size);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QLabel* wrappedLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    return label;
}

QProgressBar* busyBar(QWidget* parent)
{
    auto* bar = new QProgressBar(parent);
    bar->setRange(0, 0);
    bar->setTextVisible(false);
    bar->setMaximumHeight(6);
    return bar;
}

} // namespace orvela::components
