#include "dashboard/views/LockView.h"

#include "components/ActionButton.h"
#include "components/Card.h"
#include "components/Style.h"
#include "dashboard/views/LockController.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace orvela::dashboard::views {

namespace style = components::style;

LockView::LockView(LockController& controller, session::AppState& appState,
                   common::LocalizationService& localization, QWidget* parent)
    : AccountPage(appState, localization, parent), m_controller(controller)
{
    setObjectName(QStringLiteral("lockPage"));
    rebuild();
}

void LockView::build(QVBoxLayout& layout)
{
    addHeader(layout, session::DashboardTab::lock,
              text(QStringLiteral("Page_Lock_LockThisSessionAnd")));
    auto* card = new components::Card;
    auto* message = new QLabel(m_controller.confirmationMessage());
    message->setWordWrap(true);
    card->contentLayout()->addWidget(message);
    // Destructive: it ends the session, so the danger tone rather than the primary blue; the
    // role keeps the colours and the focus ring right in both themes and across a switch.
    auto* button = new components::ActionButton(text(QStringLiteral("Nav_Lock")),
                                                components::ActionButton::Role::destructive);
    button->setObjectName(QStringLiteral("lockButton"));
    button->setSymbol(QStringLiteral("lock.fill"));
    connect(button, &QPushButton::clicked, &m_controller, &LockController::requestLock);
    auto* row = new QHBoxLayout;
    row->addWidget(button);
    row->addStretch(1);
    card->contentLayout()->addLayout(row);
    layout.addWidget(card);
}

} // namespace orvela::dashboard::views
