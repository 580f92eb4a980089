#include "components/VerificationCodeView.h"

#include "components/Style.h"

#include <QHBoxLayout>
#include <QLabel>

namespace orvela::components {

namespace {
constexpr int boxWidth = 48;
constexpr int boxHeight = 60;
} // namespace

VerificationCodeView::VerificationCodeView(QWidget* parent)
    : QWidget(parent), m_layout(new QHBoxLayout(this))
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(style::spacingS);
    m_layout->setAlignment(Qt::AlignLeft);
    // The boxes never shrink, so neither may the row holding them: a page too low for it
    // scrolls instead of cutting the boxes off.
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // Set on the row, so that every box, including those of later codes, takes it from here.
    style::followTheme(this, [this] {
        style::applySheet(
            this,
            QStringLiteral("QLabel { border: 2px solid %1; border-radius: %2px; background: %3; }")
                .arg(style::cssColor(style::accentSteel))
                .arg(style::radiusM)
                .arg(style::cssColor(style::toneColors(Tone::info).background)));
    });
}

void VerificationCodeView::setCode(const QString& code)
{
    m_code = code;
    qDeleteAll(m_boxes);
    m_boxes.clear();
    for (const QChar character : code) {
        auto* box = new QLabel(QString(character), this);
        box->setAlignment(Qt::AlignCenter);
        box->setTextFormat(Qt::PlainText); // the code comes from the backend
        box->setFont(style::codeFont());
        box->setFixedSize(boxWidth, boxHeight);
        m_layout->addWidget(box);
        m_boxes.append(box);
    }
    setMinimumHeight(code.isEmpty() ? 0 : boxHeight);
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
