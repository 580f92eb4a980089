#include "updates/views/UpdateOutcomeView.h"

#include "common/LocalizationService.h"
#include "components/ActionButton.h"
#include "components/IconLibrary.h"
#include "components/Style.h"
#include "updates/UpdateOutcome.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace orvela::updates::views {

using namespace components;
using Status = UpdateCheckResult::Status;

namespace {

QLabel* plainLabel(QWidget* parent, const char* name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    // Versions, notes and links come from the feed: shown as text, never as markup.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

} // namespace

UpdateOutcomeView::UpdateOutcomeView(common::LocalizationService& localization, QWidget* parent)
    : QDialog(parent), m_localization(localization), m_icon(new QLabel(this)),
      m_title(plainLabel(this, "updateOutcomeTitle")),
      m_message(plainLabel(this, "updateOutcomeMessage")),
      m_notesTitle(plainLabel(this, "updateOutcomeNotesTitle")), m_notes(new QPlainTextEdit(this)),
      m_link(plainLabel(this, "updateOutcomeLink")),
      m_download(new ActionButton(QString(), ActionButton::Role::primary, this)),
      m_close(new ActionButton(QString(), ActionButton::Role::secondary, this))
{
    setObjectName(QStringLiteral("updateOutcome"));
    setFixedWidth(460);
    m_title->setFont(style::headlineFont());
    m_notesTitle->setFont(style::captionFont());
    m_notes->setObjectName(QStringLiteral("updateOutcomeNotes"));
    m_notes->setReadOnly(true);
    m_notes->setMaximumHeight(120);
    m_link->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_link->setFont(style::captionFont());
    m_download->setObjectName(QStringLiteral("updateOutcomeDownload"));
    m_close->setObjectName(QStringLiteral("updateOutcomeClose"));
    connect(m_download, &QPushButton::clicked, this,
            [this] { QDesktopServices::openUrl(m_result.downloadUrl); });
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);

    auto* header = new QHBoxLayout;
    header->setSpacing(style::spacingM);
    header->addWidget(m_icon, 0, Qt::AlignVCenter);
    header->addWidget(m_title, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_close);
    buttons->addWidget(m_download);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(style::spacingXl, style::spacingXl, style::spacingXl,
                               style::spacingL);
    layout->setSpacing(style::spacingM);
    layout->addLayout(header);
    layout->addWidget(m_message);
    layout->addWidget(m_notesTitle);
    layout->addWidget(m_notes);
    layout->addWidget(m_link);
    layout->addLayout(buttons);
    connect(&m_localization, &common::LocalizationService::languageChanged, this,
            &UpdateOutcomeView::redraw);
    redraw();
}

void UpdateOutcomeView::setResult(const UpdateCheckResult& result, const QString& installedVersion)
{
    m_result = result;
    m_installedVersion = installedVersion;
    redraw();
}

void UpdateOutcomeView::redraw()
{
    const UpdateOutcome outcome =
        describeOutcome(m_result, m_installedVersion, m_localization.language());
    setWindowTitle(outcome.title);
    m_title->setText(outcome.title);
    m_message->setText(outcome.message);
    const bool available = m_result.status == Status::updateAvailable;
    const char* symbol = available                           ? "arrow.down.circle.fill"
                         : m_result.status == Status::failed ? "exclamationmark.triangle.fill"
                                                             : "checkmark.circle.fill";
    const QColor tint =
        m_result.status == Status::failed ? style::warningAmber : style::successGreen;
    m_icon->setPixmap(IconLibrary::tinted(QString::fromLatin1(symbol), tint, 28));
    m_notesTitle->setText(m_localization.localized(QStringLiteral("Update_Notes")));
    m_notes->setAccessibleName(m_notesTitle->text());
    m_notesTitle->setVisible(!outcome.notes.isEmpty());
    m_notes->setPlainText(outcome.notes);
    m_notes->setVisible(!outcome.notes.isEmpty());
    m_link->setText(outcome.download.toDisplayString());
    m_link->setVisible(!outcome.download.isEmpty());
    m_download->setText(m_localization.localized(QStringLiteral("Update_Download")));
    m_download->setVisible(!outcome.download.isEmpty());
    m_close->setText(m_localization.localized(QStringLiteral("Settings_Close")));
    adjustSize();
}

} // namespace orvela::updates::views
