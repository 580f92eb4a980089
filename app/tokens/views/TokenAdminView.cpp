#include "tokens/views/TokenAdminView.h"

#include "components/Style.h"
#include "tokens/TokenAdminController.h"
#include "tokens/views/AdminCsrSection.h"
#include "tokens/views/AdminDiagnosticsSection.h"
#include "tokens/views/AdminEraseSection.h"
#include "tokens/views/AdminGenKeySection.h"
#include "tokens/views/AdminObjectsSection.h"
#include "tokens/views/AdminPinSection.h"
#include "tokens/views/TokenTargetLine.h"

#include <QHideEvent>
#include <QVBoxLayout>

namespace orvela::tokens::views {

TokenAdminView::TokenAdminView(TokenManager& manager, const TokenTargets& targets,
                               common::LocalizationService& localization,
                               components::Prompts& prompts, QWidget* parent)
    : QWidget(parent), m_controller(std::make_unique<TokenAdminController>(manager))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(components::style::spacingL);
    // Each section opens with the token it acts on: the sections of one page may reach two
    // different tokens by their two roads.
    const auto add = [&](components::Card* section, std::initializer_list<TokenRoad> roads) {
        int at = 0;
        for (const TokenRoad road : roads) {
            section->contentLayout()->insertWidget(
                at++, new TokenTargetLine(targets, road, localization, section));
        }
        layout->addWidget(section);
    };
    TokenAdminController& c = *m_controller;
    add(new AdminDiagnosticsSection(c, localization, this), {TokenRoad::apdu, TokenRoad::pkcs11});
    add(new AdminEraseSection(c, localization, prompts, this), {TokenRoad::apdu});
    for (AdminPinController* pins : {&c.changePin(), &c.unlockPin(), &c.changeSoPin()}) {
        add(new AdminPinSection(*pins, localization, this), {TokenRoad::pkcs11});
    }
    add(new AdminObjectsSection(c.objects(), localization, prompts, this), {TokenRoad::pkcs11});
    add(new AdminGenKeySection(c, localization, this), {TokenRoad::pkcs11});
    add(new AdminCsrSection(c.csr(), localization, prompts, this), {TokenRoad::pkcs11});
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
