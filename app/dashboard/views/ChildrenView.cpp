#include "dashboard/views/ChildrenView.h"

#include "components/Card.h"

#include <QLabel>
#include <QVBoxLayout>

namespace orvela::dashboard::views {

ChildrenView::ChildrenView(session::AppState& appState, common::LocalizationService& localization,
                           QWidget* parent)
    : AccountPage(appState, localization, parent)
{
    setObjectName(QStringLiteral("childrenPage"));
    rebuild();
}

void ChildrenView::build(QVBoxLayout& layout)
{
    addHeader(layout, session::DashboardTab::children,
              text(QStringLiteral("Page_Children_ManageYourChildrenRegister")));
    auto* card = new components::Card(text(QStringLiteral("Page_Children_ChildrenRegistry")));
    auto* body = new QLabel(text(QStringLiteral("Page_Children_ChildrenAreRegisteredIn")));
    body->setWordWrap(true);
    card->contentLayout()->addWidget(body);
    layout.addWidget(card);
}

} // namespace orvela::dashboard::views
