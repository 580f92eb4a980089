#include "tokens/views/AdminEraseSection.h"

#include "common/LocalizationService.h"
#include "components/ActionButton.h"
#include "tokens/TokenAdminController.h"
#include "tokens/views/AdminStatusLine.h"
#include "tokens/views/AdminWidgets.h"
#include "tokens/views/KeyedTexts.h"
#include "tokens/views/TokenPrompts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace orvela::tokens::views {

using components::ActionButton;

AdminEraseSection::AdminEraseSection(TokenAdminController& controller,
                                     common::LocalizationService& localization,
                                     components::Prompts& prompts, QWidget* parent)
    : Card(parent), m_controller(controller), m_localization(localization), m_prompts(prompts)
{
    m_hint = hintLabel(this);
    m_erase = new ActionButton(QString(), ActionButton::Role::secondary, this);
    (new KeyedTexts(localization, this))->button(m_erase, "Tokens_Erase_Action");
    m_erase->setSymbol(QStringLiteral("trash"));
    markDestructive(m_erase);
    auto* row = new QHBoxLayout;
    row->addWidget(m_erase);
    row->addStretch();
    contentLayout()->addWidget(m_hint);
    contentLayout()->addLayout(row);
    contentLayout()->addWidget(new AdminStatusLine(controller.erase(), localization, this));

    connect(m_erase, &QPushButton::clicked, this, &AdminEraseSection::askToErase);
    connect(&controller.erase(), &AdminActionState::changed, this,
            [this] { m_erase->setEnabled(!m_controller.erase().isBusy()); });
    connect(&localization, &common::LocalizationService::languageChanged, this,
            &AdminEraseSection::retranslate);
    retranslate();
}

void AdminEraseSection::askToErase()
{
    confirmTokenWipe(m_prompts, this, m_localization, [this] { m_controller.eraseToken(); });
}

void AdminEraseSection::retranslate()
{
    setTitle(m_localization.localized(QStringLiteral("Tokens_Section_Erase")));
    m_hint->setText(m_localization.localized(QStringLiteral("Tokens_Erase_Hint")));
}

} // namespace orvela::tokens::views
