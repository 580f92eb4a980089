#include "tokens/TokenAdminController.h"

#include "tokens/AdminSecret.h"
#include "tokens/TokenManager.h"
#include "tokens/TokenProvisioner.h"
#include "tokens/TokenWork.h"

namespace orvela::tokens {

namespace {

common::KeyedText keyed(const char* key, const QString& argument = {})
{
    return {QString::fromLatin1(key), argument};
}

} // namespace

TokenAdminController::TokenAdminController(TokenManager& manager, QObject* parent)
    : QObject(parent), m_manager(manager)
{}

TokenAdminController::~TokenAdminController()
{
    clearSecrets();
}

void TokenAdminController::setGenKeyPin(const QString& pin)
{
    m_genKeyPin.set(pin);
    emit genKeyPinChanged();
}

void TokenAdminController::clearSecrets()
{
    m_changePin.clearFields();
    m_unlockPin.clearFields();
    m_changeSoPin.clearFields();
    m_objects.clearPin();
    m_csr.clearPin();
    m_genKeyPin.clear();
    emit genKeyPinChanged();
}

void TokenAdminController::testConnection()
{
    m_connection.start();
    m_manager.testConnection(this, [this](const std::optional<TokenFailure>& failure) {
        if (failure) {
            m_connection.fail(*failure);
        } else {
            m_connection.succeed(keyed("Tokens_Diag_ConnectionOk"));
        }
    });
}

void TokenAdminController::testSlots()
{
    m_slots.start(keyed("Tokens_Diag_SlotTestProgress"));
    runPkcs11Work(
        this, [] { return TokenProvisioner().slotCount(); },
        [this](const TokenOutcome<std::size_t>& outcome) {
            if (outcome.ok()) {
                m_slots.succeed(keyed("Tokens_Diag_SlotsFound", QString::number(*outcome.value)));
            } else {
                m_slots.fail(outcome.failure);
            }
        });
}

void TokenAdminController::eraseToken()
{
    m_erase.start(keyed("Tokens_Erase_Progress"));
    TokenProvisioner::Options options;
    options.readers = m_manager.readers();
    runCardWork(
        this, options.readers, [options] { TokenProvisioner(options).eraseApdu(); },
        [this](const auto& outcome) {
            if (outcome.ok()) {
                m_erase.succeed(keyed("Tokens_Erase_Done"));
            } else {
                m_erase.fail(outcome.failure);
            }
        });
}

void TokenAdminController::generateKey()
{
    m_genKey.start();
    runPkcs11Work(
        this,
        [secret = secretOf(m_genKeyPin.text())] {
            TokenProvisioner().generateSigningKey(textOf(secret));
        },
        [this, pin = m_genKeyPin.text()](const auto& outcome) {
            if (!outcome.ok()) {
                m_genKey.fail(outcome.failure);
                return;
            }
            m_genKey.succeed(keyed("Tokens_GenKey_Done"));
            m_objects.reloadWith(pin);
        });
}

} // namespace orvela::tokens
