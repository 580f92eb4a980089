#include "dashboard/views/EmptyState.h"

#include "components/IconLibrary.h"
#include "components/Style.h"

#include <QApplication>
#include <QLabel>
#include <QVBoxLayout>

namespace orvela::dashboard::views {

namespace style = components::style;

EmptyState::EmptyState(const QString& symbol, const QString& title, const QString& message,
                       QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("emptyState"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(style::spacingXl, style::spacingXl, style::spacingXl,
                               style::spacingXl);
    auto* icon = new QLabel;
    components::IconLibrary::showThemed(icon, symbol, 40);
    icon->setAlignment(Qt::AlignCenter);
    auto* heading = new QLabel(title);
    heading->setObjectName(QStringLiteral("emptyTitle"));
    heading->setFont(style::headlineFont());
    heading->setAlignment(Qt::AlignCenter);
    layout->addWidget(icon);
    layout->addWidget(heading);
    if (!message.isEmpty()) {
        auto* line = new QLabel(message);
        line->setWordWrap(true);
        line->setAlignment(Qt::AlignCenter);
        style::showAsSecondaryText(line);
        layout->addWidget(line);
    }
}

} // namespace orvela::dashboard::views
