#include "components/Card.h"

#include "components/Accessibility.h"
#include "components/Style.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace orvela::components {

Card::Card(QWidget* parent) : Card(QString(), parent) {}

Card::Card(const QString& title, QWidget* parent)
    : QFrame(parent), m_title(new QLabel(this)), m_content(new QVBoxLayout)
{
    m_title->setFont(style::headlineFont());
    markAsHeading(m_title);
    m_title->setObjectName(QStringLiteral("cardTitle"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(style::spacingL, style::spacingL, style::spacingL, style::spacingL);
    outer->setSpacing(style::spacingS);
    outer->addWidget(m_title);
    outer->addLayout(m_content);
    m_content->setSpacing(style::spacingS);
    setTitle(title);
}

void Card::setTitle(const QString& title)
{
    m_title->setText(title);
    m_title->setVisible(!title.isEmpty());
}

QString Card::title() const
{
    return m_title->text();
}

void Card::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::Mid), 1));
    painter.setBrush(style::cardBackground(palette()));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), style::radiusL,
                            style::radiusL);
}

} // namespace orvela::components
