#include "tokens/views/AdminDiagnosticsSection.h"

#include "common/LocalizationService.h"
#include "components/ActionButton.h"
#include "tokens/TokenAdminController.h"
#include "tokens/views/AdminStatusLine.h"
#include "tokens/views/KeyedTexts.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace orvela::tokens::views {

using components::ActionButton;

AdminDiagnosticsSection::AdminDiagnosticsSection(TokenAdminController& controller,
                                                 common::LocalizationService& localization,
                                                 QWidget* parent)
    : Card(parent), m_controller(controller), m_localization(localization)
{
    auto* texts = new KeyedTexts(localization, this);
    m_connection = new ActionButton(QString(), ActionButton::Role::secondary, this);
    texts->button(m_connection, "Tokens_Diag_ConnectionTest");
    m_connection->setSymbol(QStringLiteral("antenna.radiowaves.left.and.right"));
    m_slots = new ActionButton(QString(), ActionButton::Role::secondary, this);
    texts->button(m_slots, "Tokens_Diag_SlotTest");
    m_slots->setSymbol(QStringLiteral("shield.checkered"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_connection);
    buttons->addWidget(m_slots);
    buttons->addStretch();
    contentLayout()->addLayout(buttons);
    contentLayout()->addWidget(
        new AdminStatusLine(controller.connectionTest(), localization, this));
    contentLayout()->addWidget(new AdminStatusLine(controller.slotTest(), localization, this));

    connect(m_connection, &QPushButton::clicked, &controller,
            &TokenAdminController::testConnection);
    connect(m_slots, &QPushButton::clicked, &controller, &TokenAdminController::testSlots);
    connect(&controller.connectionTest(), &AdminActionState::changed, this,
            &AdminDiagnosticsSection::refresh);
    connect(&controller.slotTest(), &AdminActionState::changed, this,
            &AdminDiagnosticsSection::refresh);
    connect(&localization, &common::LocalizationService::languageChanged, this,
            &AdminDiagnosticsSection::retranslate);
    retranslate();
    refresh();
}

void AdminDiagnosticsSection::retranslate()
{
    setTitle(m_localization.localized(QStringLiteral("Tokens_Section_Diagnostics")));
}

void AdminDiagnosticsSection::refresh()
{
    m_connection->setEnabled(!m_controller.connectionTest().isBusy());
    m_slots->setEnabled(!m_controller.slotTest().isBusy());
}

} // namespace orvela::tokens::views
