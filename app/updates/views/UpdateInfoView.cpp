#include "updates/views/UpdateInfoView.h"

#include "common/DateFormatter.h"
#include "common/LocalizationService.h"
#include "components/Accessibility.h"
#include "components/IconLibrary.h"
#include "components/Style.h"
#include "updates/AppVersion.h"
#include "updates/UpdateViewModel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace orvela::updates::views {

using components::IconLibrary;

UpdateInfoView::UpdateInfoView(UpdateViewModel& model, common::LocalizationService& localization,
                               QWidget* parent)
    : QWidget(parent), m_model(model), m_localization(localization),
      m_versionButton(new QToolButton(this)), m_lastChecked(new QLabel(this)),
      m_availableRow(new QWidget(this)), m_available(new QLabel(m_availableRow))
{
    m_versionButton->setObjectName(QStringLiteral("versionButton"));
    m_versionButton->setAutoRaise(true);
    m_versionButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_versionButton->setIcon(IconLibrary::icon(QStringLiteral("info.circle")));
    m_versionButton->setText(QStringLiteral("v") + displayVersion());
    m_lastChecked->setObjectName(QStringLiteral("lastChecked"));
    m_lastChecked->setFont(components::style::captionFont());
    m_available->setObjectName(QStringLiteral("updateAvailable"));
    m_available->setFont(components::style::captionFont());
    m_available->setOpenExternalLinks(true);
    components::showAsKeyboardLink(m_available);

    auto* icon = new QLabel(m_availableRow);
    icon->setPixmap(IconLibrary::tinted(QStringLiteral("arrow.down.circle.fill"),
                                        components::style::successGreen, 14));
    auto* row = new QHBoxLayout(m_availableRow);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(components::style::spacingXs);
    row->addWidget(icon);
    row->addWidget(m_available, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_versionButton, 0, Qt::AlignLeft);
    layout->addWidget(m_lastChecked);
    layout->addWidget(m_availableRow);

    connect(m_versionButton, &QToolButton::clicked, this, [this] { m_model.checkNow(); });
    connect(&m_model, &UpdateViewModel::changed, this, &UpdateInfoView::redraw);
    connect(&m_localization, &common::LocalizationService::languageChanged, this,
            &UpdateInfoView::redraw);
    redraw();
}

void UpdateInfoView::redraw()
{
    m_versionButton->setEnabled(!m_model.isChecking());
    const QString lastCheck = m_model.lastCheckDate();
    m_lastChecked->setVisible(!lastCheck.isEmpty());
    // A time stored by an older version has no year; it is shown as it was stored.
    const QString when =
        common::DateFormatter::parse(lastCheck)
            ? common::DateFormatter().dateTime(lastCheck, m_localization.language())
            : lastCheck;
    m_lastChecked->setText(m_localization.localized(QStringLiteral("Update_LastChecked")) +
                           QLatin1Char(' ') + when);
    m_availableRow->setVisible(m_model.updateAvailable());
    const QString label = m_localization.localized(QStringLiteral("Update_Available"));
    const QUrl link = m_model.downloadUrl();
    m_available->setText(
        link.isEmpty()
            ? label.toHtmlEscaped()
            : QStringLiteral("<a href=\"%1\">%2</a>")
                  .arg(link.toString(QUrl::FullyEncoded).toHtmlEscaped(), label.toHtmlEscaped()));
}

} // namespace orvela::updates::views
