#include "updates/views/WhatsNewView.h"

#include "common/AppIdentity.h"
#include "common/DateFormatter.h"
#include "common/LocalizationService.h"
#include "components/Accessibility.h"
#include "components/ActionButton.h"
#include "components/IconLibrary.h"
#include "components/Style.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

namespace orvela::updates::views {

using namespace components;

namespace {

QColor tintOf(ItemType type)
{
    switch (type) {
    case ItemType::security:
        return style::successGreen;
    case ItemType::improvement:
        return style::accentIndigo;
    case ItemType::feature:
        break;
    }
    return style::brandBlue;
}

QFrame* divider(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

QWidget* WhatsNewView::itemRow(const ChangelogItem& item)
{
    auto* row = new QWidget;
    auto* icon = new QLabel(row);
    icon->setPixmap(IconLibrary::tinted(item.icon, tintOf(item.type), 16));
    icon->setFixedSize(18, 18);
    auto* text = new QLabel(row);
    text->setTextFormat(Qt::PlainText);
    text->setWordWrap(true);
    m_lines.append({text, item.text});
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(style::spacingS);
    layout->addWidget(icon, 0, Qt::AlignTop);
    layout->addWidget(text, 1);
    return row;
}

QWidget* WhatsNewView::entryBlock(const ChangelogEntry& entry)
{
    auto* block = new QWidget;
    auto* layout = new QVBoxLayout(block);
    layout->setContentsMargins(0, 0, 0, style::spacingM);
    layout->setSpacing(style::spacingS);
    auto* header = new QHBoxLayout;
    auto* version = new QLabel(QStringLiteral("v") + entry.version, block);
    version->setFont(style::headlineFont());
    auto* date = new QLabel(block);
    m_dates.append({date, entry.date});
    date->setFont(style::captionFont());
    date->setForegroundRole(QPalette::PlaceholderText);
    header->addWidget(version);
    header->addStretch();
    header->addWidget(date);
    layout->addLayout(header);
    for (const ChangelogItem& item : entry.items) {
        layout->addWidget(itemRow(item));
    }
    return block;
}

void WhatsNewView::retranslate()
{
    const auto text = [this](const QString& key) { return m_localization.localized(key); };
    setWindowTitle(text(QStringLiteral("WhatsNew_Title")));
    m_title->setText(text(QStringLiteral("WhatsNew_Title")));
    m_done->setText(text(QStringLiteral("WhatsNew_Done")));
    for (const auto& [label, key] : std::as_const(m_lines)) {
        label->setText(text(key));
    }
    const common::DateFormatter dates;
    for (const auto& [label, day] : std::as_const(m_dates)) {
        label->setText(dates.date(day, m_localization.language()));
    }
}

WhatsNewView::WhatsNewView(const QList<ChangelogEntry>& history, const QString& version,
                           common::LocalizationService& localization, QWidget* parent)
    : QDialog(parent), m_localization(localization), m_title(new QLabel(this)),
      m_done(new ActionButton(QString(), ActionButton::Role::primary, this))
{
    setObjectName(QStringLiteral("whatsNew"));
    setFixedSize(480, 520);

    auto* icon = new QLabel(this);
    icon->setPixmap(IconLibrary::tinted(QStringLiteral("sparkles"), style::accentIndigo, 36));
    m_title->setFont(style::titleFont());
    components::markAsHeading(m_title);
    // The program's name and version read the same in both languages.
    auto* subtitle =
        new QLabel(QString::fromUtf8(common::productName) + QStringLiteral(" v") + version, this);
    subtitle->setObjectName(QStringLiteral("whatsNewVersion"));
    subtitle->setForegroundRole(QPalette::PlaceholderText);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(0);
    titles->addWidget(m_title);
    titles->addWidget(subtitle);
    auto* header = new QHBoxLayout;
    header->setSpacing(style::spacingM);
    header->addWidget(icon);
    header->addLayout(titles, 1);

    auto* list = new QWidget;
    auto* listLayout = new QVBoxLayout(list);
    listLayout->setContentsMargins(0, 0, style::spacingS, 0);
    for (const ChangelogEntry& entry : history) {
        listLayout->addWidget(entryBlock(entry));
    }
    listLayout->addStretch();
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(list);

    m_done->setObjectName(QStringLiteral("whatsNewDone"));
    connect(m_done, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(style::spacingXl, style::spacingXl, style::spacingXl,
                               style::spacingL);
    layout->setSpacing(style::spacingM);
    layout->addLayout(header);
    layout->addWidget(divider(this));
    layout->addWidget(scroll, 1);
    layout->addWidget(divider(this));
    layout->addWidget(m_done);
    retranslate();
    connect(&m_localization, &common::LocalizationService::languageChanged, this,
            &WhatsNewView::retranslate);
}

} // namespace orvela::updates::views
