#include "dashboard/views/HomeView.h"

#include "common/DateFormatter.h"
#include "components/Accessibility.h"
#include "components/ActionButton.h"
#include "components/Card.h"
#include "components/StatusPill.h"
#include "components/Style.h"
#include "dashboard/views/FieldRow.h"
#include "dashboard/views/HomeController.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace orvela::dashboard::views {

namespace style = components::style;

HomeView::HomeView(HomeController& controller, session::AppState& appState,
                   common::LocalizationService& localization, QWidget* parent)
    : AccountPage(appState, localization, parent), m_controller(controller)
{
    setObjectName(QStringLiteral("homePage"));
    connect(&m_controller, &HomeController::changed, this, &HomeView::rebuild);
    rebuild();
}

void HomeView::build(QVBoxLayout& layout)
{
    auto* hero = new QLabel(text(QStringLiteral("Home_Hero_Title")));
    hero->setObjectName(QStringLiteral("homeHero"));
    hero->setFont(style::titleFont());
    components::markAsHeading(hero);
    hero->setWordWrap(true);
    layout.addWidget(hero);
    auto* subtitle = new QLabel(text(QStringLiteral("Home_Subtitle")));
    subtitle->setWordWrap(true);
    style::showAsSecondaryText(subtitle);
    layout.addWidget(subtitle);

    auto* card = new components::Card(text(QStringLiteral("Home_Backend_Title")));
    auto* statusRow = new QHBoxLayout;
    auto* status =
        new components::StatusPill(text(m_controller.statusKey()), m_controller.statusVariant());
    status->setObjectName(QStringLiteral("backendStatus"));
    statusRow->addWidget(status);
    statusRow->addStretch(1);
    auto* refresh = new components::ActionButton(text(QStringLiteral("Home_Backend_Refresh")),
                                                 components::ActionButton::Role::secondary);
    refresh->setObjectName(QStringLiteral("homeRefresh"));
    refresh->setSymbol(QStringLiteral("arrow.clockwise"));
    refresh->setEnabled(!m_controller.isChecking());
    connect(refresh, &QPushButton::clicked, &m_controller, &HomeController::check);
    statusRow->addWidget(refresh);
    card->contentLayout()->addLayout(statusRow);
    card->contentLayout()->addWidget(
        new FieldRow(text(QStringLiteral("Home_Backend_Version")), m_controller.backendVersion()));
    card->contentLayout()->addWidget(
        new FieldRow(text(QStringLiteral("Home_Backend_LastChecked")),
                     common::DateFormatter().dateTime(m_controller.lastCheckedAt(), language())));
    layout.addWidget(card);
}

void HomeView::showEvent(QShowEvent* event)
{
    AccountPage::showEvent(event);
    m_controller.check();
}

void HomeView::hideEvent(QHideEvent* event)
{
    m_controller.cancel();
    AccountPage::hideEvent(event);
}

} // namespace orvela::dashboard::views
