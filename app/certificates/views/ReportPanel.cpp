#include "certificates/views/ReportPanel.h"

#include "components/Card.h"
#include "components/StatusPill.h"
#include "components/Style.h"

#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

namespace orvela::certificates::views {

namespace style = components::style;
using components::Tone;

namespace {

constexpr int kLabelColumnWidth = 150;

Tone toneOf(Validity validity)
{
    switch (validity) {
    case Validity::expired:
        return Tone::danger;
    case Validity::notYetValid:
        return Tone::warning;
    case Validity::valid:
        return Tone::success;
    }
    return Tone::neutral;
}

// A hex digest or serial is one long word, and a word-wrapped label cannot be narrower than its
// longest word: ungrouped, it would push a narrow window into scrolling sideways.
QString wrappable(const QString& value)
{
    constexpr int longestWord = 24;
    const bool hex = std::all_of(value.cbegin(), value.cend(), [](QChar c) {
        return c.isDigit() || QStringLiteral("abcdefABCDEF").contains(c);
    });
    return hex && value.size() > longestWord ? style::groupedForWrapping(value, 8) : value;
}

// A value with a word this long (a Base64 key digest) cannot share its row with the label
// column in a narrow window; it goes under its label, across the card.
bool needsWholeRow(const QString& value)
{
    constexpr int longestSideBySide = 24;
    const auto words = value.split(u' ', Qt::SkipEmptyParts);
    return std::any_of(words.cbegin(), words.cend(),
                       [](const QString& word) { return word.size() > longestSideBySide; });
}

QWidget* sectionCard(const CertificateReport::Section& section, QWidget* parent)
{
    auto* card = new components::Card(section.title, parent);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(style::spacingM);
    grid->setVerticalSpacing(style::spacingS);
    grid->setColumnMinimumWidth(0, kLabelColumnWidth);
    grid->setColumnStretch(1, 1);
    int row = 0;
    for (const auto& entry : section.rows) {
        const QString text = wrappable(entry.value);
        auto* value = new QLabel(text, card);
        // Names come from the certificate: "<b>" in a subject is text, not markup.
        value->setTextFormat(Qt::PlainText);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        value->setWordWrap(true);
        value->setObjectName(QStringLiteral("reportValue"));
        if (entry.label.isEmpty()) {
            grid->addWidget(value, row, 0, 1, 2);
        } else {
            auto* label = new QLabel(entry.label + u':', card);
            label->setFixedWidth(kLabelColumnWidth);
            label->setWordWrap(true);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            if (needsWholeRow(text)) {
                // Fixed-width, so the line's width does not depend on which letters it has.
                value->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
                grid->addWidget(label, row++, 0, 1, 2);
                grid->addWidget(value, row, 0, 1, 2);
            } else {
                grid->addWidget(label, row, 0);
                grid->addWidget(value, row, 1);
            }
        }
        ++row;
    }
    card->contentLayout()->addLayout(grid);
    return card;
}

} // namespace

ReportPanel::ReportPanel(QWidget* parent) : QWidget(parent), m_layout(new QVBoxLayout(this))
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(style::spacingM);
}

void ReportPanel::clearContent()
{
    while (QLayoutItem* item = m_layout->takeAt(0)) {
        // Nothing in the report handles input, so its widgets can go at once.
        if (QLayout* layout = item->layout()) {
            while (QLayoutItem* inner = layout->takeAt(0)) {
                delete inner->widget();
                delete inner;
            }
        }
        delete item->widget();
        delete item;
    }
}

void ReportPanel::show(const CertificateReport& report)
{
    clearContent();
    auto* badgeRow = new QHBoxLayout;
    auto* badge = new components::StatusPill(report.validityText, toneOf(report.validity), this);
    badge->setObjectName(QStringLiteral("validityBadge"));
    badgeRow->addWidget(badge);
    badgeRow->addStretch();
    m_layout->addLayout(badgeRow);
    for (const auto& section : report.sections) {
        m_layout->addWidget(sectionCard(section, this));
    }
}

} // namespace orvela::certificates::views
