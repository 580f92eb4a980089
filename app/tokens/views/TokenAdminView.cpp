#include "tokens/views/TokenAdminView.h"

#include "components/Style.h"
#include "tokens/TokenAdminController.h"
#include "tokens/views/AdminCsrSection.h"
#include "tokens/views/AdminDiagnosticsSection.h"
#include "tokens/views/AdminEraseSection.h"
#include "tokens/views/AdminGenKeySection.h"
#include "tokens/views/AdminObjectsSection.h"
#include "tokens/views/AdminPinSection.h"

#include <QHideEvent>
#include <QVBoxLayout>

namespace orvela::tokens::views {

TokenAdminView::TokenAdminView(TokenManager& manager, common::LocalizationService& localization,
                               TokenPrompts& prompts, QWidget* parent)
    : QWidget(parent), m_controller(std::make_unique<TokenAdminController>(manager, localization))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(components::style::spacingL);
    TokenAdminController& c = *m_controller;
    layout->addWidget(new AdminDiagnosticsSection(c, localization, this));
    layout->addWidget(new AdminEraseSection(c, localization, prompts, this));
    for (AdminPinController* pins : {&c.changePin(), &c.unlockPin(), &c.changeSoPin()}) {
        layout->addWidget(new AdminPinSection(*pins, localization, this));
    }
    layout->addWidget(new AdminObjectsSection(c.objects(), localization, prompts, this));
    layout->addWidget(new AdminGenKeySection(c, localization, this));
    layout->addWidget(new AdminCsrSection(c.csr(), localization, prompts, this));
    layout->addStretch();
}

TokenAdminView::~TokenAdminView()
{
    // The sections hold on to the controller; they go first.
    qDeleteAll(findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly));
}

void TokenAdminView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // A minimised window still holds the screen; only leaving it forgets the PINs.
    if (!event->spontaneous()) {
        m_controller->clearSecrets();
    }
}

} // namespace orvela::tokens::views
