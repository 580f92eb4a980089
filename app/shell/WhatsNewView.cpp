#include "shell/WhatsNewView.h"

#include "common/AppIdentity.h"
#include "components/Accessibility.h"
#include "components/ActionButton.h"
#include "components/IconLibrary.h"
#include "components/Style.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

namespace orvela::shell {

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

QWidget* itemRow(const ChangelogItem& item)
{
    auto* row = new QWidget;
    auto* icon = new QLabel(row);
    icon->setPixmap(IconLibrary::tinted(item.icon, tintOf(item.type), 16));
    icon->setFixedSize(18, 18);
    auto* text = new QLabel(item.text, row);
    text->setWordWrap(true);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(style::spacingS);
    layout->addWidget(icon, 0, Qt::AlignTop);
    layout->addWidget(text, 1);
    return row;
}

QWidget* entryBlock(const ChangelogEntry& entry)
{
    auto* block = new QWidget;
    auto* layout = new QVBoxLayout(block);
    layout->setContentsMargins(0, 0, 0, style::spacingM);
    layout->setSpacing(style::spacingS);
    auto* header = new QHBoxLayout;
    auto* version = new QLabel(QStringLiteral("v") + entry.version, block);
    version->setFont(style::headlineFont());
    auto* date = new QLabel(entry.date, block);
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

} // namespace

WhatsNewView::WhatsNewView(const QList<ChangelogEntry>& history, const QString& version,
                           QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("whatsNew"));
    setWindowTitle(QStringLiteral("Шинэчлэлт"));
    setFixedSize(480, 520);

    auto* icon = new QLabel(this);
    icon->setPixmap(IconLibrary::tinted(QStringLiteral("sparkles"), style::accentIndigo, 36));
    auto* title = new QLabel(QStringLiteral("Шинэчлэлт"), this);
    title->setFont(style::titleFont());
    components::markAsHeading(title);
    auto* subtitle =
        new QLabel(QString::fromUtf8(common::displayName) + QStringLiteral(" v") + version, this);
    subtitle->setObjectName(QStringLiteral("whatsNewVersion"));
    subtitle->setForegroundRole(QPalette::PlaceholderText);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(0);
    titles->addWidget(title);
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

    auto* done = new ActionButton(QStringLiteral("Ойлголоо"), ActionButton::Role::primary, this);
    done->setObjectName(QStringLiteral("whatsNewDone"));
    connect(done, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(style::spacingXl, style::spacingXl, style::spacingXl,
                               style::spacingL);
    layout->setSpacing(style::spacingM);
    layout->addLayout(header);
    layout->addWidget(divider(this));
    layout->addWidget(scroll, 1);
    layout->addWidget(divider(this));
    layout->addWidget(done);
}

} // namespace orvela::shell
