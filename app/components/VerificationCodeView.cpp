#include "components/VerificationCodeView.h"

#include "components/Style.h"

#include <QHBoxLayout>
#include <QLabel>

namespace orvela::components {

VerificationCodeView::VerificationCodeView(QWidget* parent)
    : QWidget(parent), m_layout(new QHBoxLayout(this))
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(style::spacingS);
    m_layout->setAlignment(Qt::AlignLeft);
}

void VerificationCodeView::setCode(const QString& code)
{
    m_code = code;
    qDeleteAll(m_boxes);
    m_boxes.clear();
    const QString sheet =
        QStringLiteral("QLabel { border: 2px solid %1; border-radius: %2px; background: %3; }")
            .arg(style::cssColor(style::accentSteel))
            .arg(style::radiusM)
            .arg(style::cssColor(style::toneColors(Tone::info).background));
    for (const QChar character : code) {
        auto* box = new QLabel(QString(character), this);
        box->setAlignment(Qt::AlignCenter);
        box->setTextFormat(Qt::PlainText); // the code comes from the backend
        box->setFont(style::codeFont());
        box->setFixedSize(48, 60);
        box->setStyleSheet(sheet);
        m_layout->addWidget(box);
        m_boxes.append(box);
    }
    // Screen readers get the whole code at once instead of one box at a time.
    setAccessibleName(code);
}

QStringList VerificationCodeView::boxTexts() const
{
    QStringList texts;
    for (const QLabel* box : m_boxes) {
        texts.append(box->text());
    }
    return texts;
}

} // namespace orvela::components
