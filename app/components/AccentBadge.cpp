#include "components/AccentBadge.h"

#include "components/Style.h"

namespace orvela::components {

AccentBadge::AccentBadge(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setFont(style::captionFont());
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    setStyleSheet(QStringLiteral("QLabel { color: white; background: %1; border-radius: 6px;"
                                 " padding: 1px 8px; font-weight: 700; }")
                      .arg(style::cssColor(style::brandBlue)));
}

} // namespace orvela::components
