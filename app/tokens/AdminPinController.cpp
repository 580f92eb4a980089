#include "tokens/AdminPinController.h"

#include "tokens/AdminSecret.h"
#include "tokens/TokenProvisioner.h"
#include "tokens/TokenWork.h"

namespace orvela::tokens {

AdminPinController::AdminPinController(Kind kind, QObject* parent) : QObject(parent), m_kind(kind)
{}

AdminPinController::~AdminPinController()
{
    clearFields();
}

void AdminPinController::setCurrent(const QString& text)
{
    m_current.set(text);
    emit fieldsChanged();
}

void AdminPinController::setNewPin(const QString& text)
{
    m_newPin.set(text);
    emit fieldsChanged();
}

void AdminPinController::setConfirmation(const QString& text)
{
    m_confirmation.set(text);
    emit fieldsChanged();
}

bool AdminPinController::canSubmit() const
{
    return m_current.size() >= kMinimumLength && m_newPin.size() >= kMinimumLength &&
           m_confirmation.text() == m_newPin.text();
}

void AdminPinController::clearFields()
{
    m_current.clear();
    m_newPin.clear();
    m_confirmation.clear();
    emit fieldsChanged();
}

common::KeyedText AdminPinController::successText() const
{
    switch (m_kind) {
    case Kind::changeUserPin:
        return {QStringLiteral("Tokens_ChangePin_Done"), {}};
    case Kind::unlockUserPin:
        return {QStringLiteral("Tokens_UnlockPin_Done"), {}};
    case Kind::changeSoPin:
        return {QStringLiteral("Tokens_ChangeSoPin_Done"), {}};
    }
    return {};
}

void AdminPinController::submit()
{
    if (!canSubmit() || m_state.isBusy()) {
        return;
    }
    m_state.start();
    runPkcs11Work(
        this,
        [kind = m_kind, first = secretOf(m_current.text()), next = secretOf(m_newPin.text())] {
            TokenProvisioner provisioner;
            switch (kind) {
            case Kind::changeUserPin:
                provisioner.changeUserPin(textOf(first), textOf(next));
                break;
            case Kind::unlockUserPin:
                provisioner.unlockUserPin(textOf(first), textOf(next));
                break;
            case Kind::changeSoPin:
                provisioner.changeSoPin(textOf(first), textOf(next));
                break;
            }
        },
        [this](const auto& outcome) {
            if (outcome.ok()) {
                clearFields();
                m_state.succeed(successText());
            } else {
                m_state.fail(outcome.failure);
            }
        });
}

} // namespace orvela::tokens
