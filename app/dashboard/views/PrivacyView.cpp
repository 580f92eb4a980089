#include "dashboard/views/PrivacyView.h"

#include "components/Card.h"
#include "components/Style.h"
#include "dashboard/views/SupportView.h"

#include <QLabel>
#include <QVBoxLayout>

namespace orvela::dashboard::views {

namespace style = components::style;

PrivacyView::PrivacyView(session::AppState& appState, common::LocalizationService& localization,
                         QWidget* parent)
    : AccountPage(appState, localization, parent)
{
    setObjectName(QStringLiteral("privacyPage"));
    rebuild();
}

void PrivacyView::build(QVBoxLayout& layout)
{
    addHeader(layout, session::DashboardTab::privacy,
              text(QStringLiteral("Page_Privacy_HowYourDataIs")));
    const QString address = SupportView::supportAddress();
    const std::pair<QString, QString> sections[] = {
        {text(QStringLiteral("Page_Privacy_DataWeCollect")),
         text(QStringLiteral("Page_Privacy_YourNameRegistrationNumber"))},
        {text(QStringLiteral("Page_Privacy_WhatWeNeverStore")),
         text(QStringLiteral("Page_Privacy_YourPINsPrivateKeys"))},
        {text(QStringLiteral("Page_Privacy_Usage")),
         text(QStringLiteral("Page_Privacy_CollectedDataServesOnly"))},
        {text(QStringLiteral("Page_Privacy_Deletion")),
         text(QStringLiteral("Page_Privacy_DeletionRequest")) + QLatin1Char(' ') + address},
    };
    for (const auto& [heading, body] : sections) {
        auto* card = new components::Card(heading);
        auto* label = new QLabel(body);
        label->setWordWrap(true);
        card->contentLayout()->addWidget(label);
        layout.addWidget(card);
    }
    auto* updated = new QLabel(text(QStringLiteral("Page_Privacy_LastUpdated202601")));
    updated->setObjectName(QStringLiteral("privacyUpdated"));
    style::showAsSecondaryText(updated);
    layout.addWidget(updated);
}

} // namespace orvela::dashboard::views
