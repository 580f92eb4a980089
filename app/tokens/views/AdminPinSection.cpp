#include "tokens/views/AdminPinSection.h"

#include "common/LocalizationService.h"
#include "components/ActionButton.h"
#include "tokens/AdminPinController.h"
#include "tokens/views/AdminStatusLine.h"
#include "tokens/views/AdminWidgets.h"
#include "tokens/views/SecureField.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace orvela::tokens::views {

using components::ActionButton;
using Kind = AdminPinController::Kind;

const AdminPinSection::Keys& AdminPinSection::keysOf(const AdminPinController& controller)
{
    static const Keys changePin{
        "Tokens_Section_ChangePin",
        "Tokens_ChangePin_Hint",
        {"Tokens_ChangePin_Current", "Tokens_ChangePin_New", "Tokens_ChangePin_Confirm"},
        "Tokens_ChangePin_Action",
        "lock.rotation"};
    static const Keys unlockPin{
        "Tokens_Section_UnlockPin",
        "Tokens_UnlockPin_Hint",
        {"Tokens_Unlock_SoPin", "Tokens_Unlock_New", "Tokens_Unlock_Confirm"},
        "Tokens_UnlockPin_Action",
        "lock.open"};
    static const Keys changeSoPin{
        "Tokens_Section_ChangeSoPin",
        "Tokens_ChangeSoPin_Hint",
        {"Tokens_SoPin_Current", "Tokens_SoPin_New", "Tokens_SoPin_Confirm"},
        "Tokens_ChangeSoPin_Action",
        "key.radiowaves.forward"};
    switch (controller.kind()) {
    case Kind::unlockUserPin:
        return unlockPin;
    case Kind::changeSoPin:
        return changeSoPin;
    case Kind::changeUserPin:
        break;
    }
    return changePin;
}

AdminPinSection::AdminPinSection(AdminPinController& controller,
                                 common::LocalizationService& localization, QWidget* parent)
    : Card(parent), m_controller(controller), m_localization(localization),
      m_keys(keysOf(controller))
{
    m_hint = hintLabel(this);
    contentLayout()->addWidget(m_hint);
    auto* form = new QFormLayout;
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        m_labels[i] = new QLabel(this);
        m_fields[i] = makeSecureField(this);
        m_labels[i]->setBuddy(m_fields[i]);
        form->addRow(m_labels[i], m_fields[i]);
    }
    contentLayout()->addLayout(form);
    m_action = new ActionButton(QString(), ActionButton::Role::primary, this);
    m_action->setSymbol(QString::fromLatin1(m_keys.symbol));
    m_action->submitOnEnter({m_fields[0], m_fields[1], m_fields[2]});
    auto* row = new QHBoxLayout;
    row->addWidget(m_action);
    row->addStretch();
    contentLayout()->addLayout(row);
    contentLayout()->addWidget(new AdminStatusLine(controller.state(), localization, this));

    connect(m_fields[0], &QLineEdit::textEdited, &controller, &AdminPinController::setCurrent);
    connect(m_fields[1], &QLineEdit::textEdited, &controller, &AdminPinController::setNewPin);
    connect(m_fields[2], &QLineEdit::textEdited, &controller, &AdminPinController::setConfirmation);
    connect(m_action, &QPushButton::clicked, &controller, &AdminPinController::submit);
    connect(&controller, &AdminPinController::fieldsChanged, this, &AdminPinSection::refresh);
    connect(&controller.state(), &AdminActionState::changed, this, &AdminPinSection::refresh);
    connect(&localization, &common::LocalizationService::languageChanged, this,
            &AdminPinSection::retranslate);
    retranslate();
    refresh();
}

void AdminPinSection::retranslate()
{
    const auto text = [this](const char* key) {
        return m_localization.localized(QLatin1String(key));
    };
    setTitle(text(m_keys.section));
    m_hint->setText(text(m_keys.hint));
    for (std::size_t i = 0; i < m_labels.size(); ++i) {
        m_labels[i]->setText(text(m_keys.fields[i]));
    }
    m_action->setText(text(m_keys.action));
}

void AdminPinSection::refresh()
{
    syncField(m_fields[0], m_controller.current());
    syncField(m_fields[1], m_controller.newPin());
    syncField(m_fields[2], m_controller.confirmation());
    m_action->setEnabled(m_controller.canSubmit() && !m_controller.state().isBusy());
}

} // namespace orvela::tokens::views
