#include "components/InlineBanner.h"

#include "components/IconLibrary.h"

#include <QHBoxLayout>
#include <QLabel>

namespace orvela::components {

InlineBanner::InlineBanner(Kind kind, const QString& text, QWidget* parent)
    : QFrame(parent), m_kind(kind), m_icon(new QLabel(this)), m_text(new QLabel(text, this))
{
    setObjectName(QStringLiteral("inlineBanner"));
    m_text->setWordWrap(true);
    // Banners quote server messages and file names: shown as they are, never as markup.
    m_text->setTextFormat(Qt::PlainText);
    // As tall as the icon, so a one-line message sits level with it.
    m_text->setMinimumHeight(18);
    m_text->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_icon->setFixedSize(18, 18);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(style::spacingM, style::spacingS, style::spacingM, style::spacingS);
    layout->setSpacing(style::spacingS);
    layout->addWidget(m_icon, 0, Qt::AlignTop);
    layout->addWidget(m_text, 1, Qt::AlignTop);
    style::followTheme(this, [this] { applyKind(); });
}

void InlineBanner::setKind(Kind kind)
{
    m_kind = kind;
    applyKind();
}

void InlineBanner::applyKind()
{
    const ToneColors colors = style::toneColors(toneOf(m_kind));
    m_icon->setPixmap(IconLibrary::tinted(symbolOf(m_kind), colors.foreground, 18));
    style::applySheet(this,
                      QStringLiteral("QFrame#inlineBanner { background: %1; border: 1px solid %2;"
                                     " border-radius: %3px; }")
                          .arg(style::cssColor(colors.background), style::cssColor(colors.border))
                          .arg(style::radiusS));
}

void InlineBanner::setText(const QString& text)
{
    m_text->setText(text);
}

QString InlineBanner::text() const
{
    return m_text->text();
}

Tone InlineBanner::toneOf(Kind kind)
{
    switch (kind) {
    case Kind::success:
        return Tone::success;
    case Kind::warning:
        return Tone::warning;
    case Kind::error:
        return Tone::danger;
    case Kind::info:
        break;
    }
    return Tone::info;
}

QString InlineBanner::symbolOf(Kind kind)
{
    switch (kind) {
    case Kind::success:
        return QStringLiteral("checkmark.circle.fill");
    case Kind::warning:
        return QStringLiteral("exclamationmark.triangle.fill");
    case Kind::error:
        return QStringLiteral("xmark.circle.fill");
    case Kind::info:
        break;
    }
    return QStringLiteral("info.circle");
}

} // namespace orvela::components
