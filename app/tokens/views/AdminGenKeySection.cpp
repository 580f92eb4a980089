#include "tokens/views/AdminGenKeySection.h"

#include "common/LocalizationService.h"
#include "components/ActionButton.h"
#include "tokens/TokenAdminController.h"
#include "tokens/views/AdminStatusLine.h"
#include "tokens/views/AdminWidgets.h"
#include "tokens/views/SecureField.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace orvela::tokens::views {

using components::ActionButton;

AdminGenKeySection::AdminGenKeySection(TokenAdminController& controller,
                                       common::LocalizationService& localization, QWidget* parent)
    : Card(parent), m_controller(controller), m_localization(localization)
{
    m_hint = hintLabel(this);
    contentLayout()->addWidget(m_hint);
    m_pinLabel = new QLabel(this);
    m_pin = makeSecureField(this);
    auto* form = new QFormLayout;
    m_pinLabel->setBuddy(m_pin);
    form->addRow(m_pinLabel, m_pin);
    contentLayout()->addLayout(form);
    m_action = new ActionButton(QString(), ActionButton::Role::primary, this);
    m_action->setSymbol(QStringLiteral("key.viewfinder"));
    m_action->submitOnEnter({m_pin});
    auto* row = new QHBoxLayout;
    row->addWidget(m_action);
    row->addStretch();
    contentLayout()->addLayout(row);
    contentLayout()->addWidget(new AdminStatusLine(controller.genKey(), localization, this));

    connect(m_pin, &QLineEdit::textEdited, &controller, &TokenAdminController::setGenKeyPin);
    connect(&controller, &TokenAdminController::genKeyPinChanged, this,
            [this] { syncField(m_pin, m_controller.genKeyPin()); });
    connect(m_action, &QPushButton::clicked, &controller, &TokenAdminController::generateKey);
    connect(&controller.genKey(), &AdminActionState::changed, this,
            [this] { m_action->setEnabled(!m_controller.genKey().isBusy()); });
    connect(&localization, &common::LocalizationService::languageChanged, this,
            &AdminGenKeySection::retranslate);
    retranslate();
}

void AdminGenKeySection::retranslate()
{
    const auto text = [this](const char* key) {
        return m_localization.localized(QLatin1String(key));
    };
    setTitle(text("Tokens_GenKey_Section"));
    m_hint->setText(text("Tokens_GenKey_Hint"));
    m_pinLabel->setText(text("Tokens_Objects_Pin"));
    m_action->setText(text("Tokens_GenKey_Action"));
}

} // namespace orvela::tokens::views
