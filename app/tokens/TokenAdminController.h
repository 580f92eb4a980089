#pragma once

#include "tokens/AdminActionState.h"
#include "tokens/AdminCsrController.h"
#include "tokens/AdminObjectsController.h"
#include "tokens/AdminPinController.h"
#include "tokens/PinText.h"

#include <QObject>

namespace orvela::tokens {

class TokenManager;

/// The administration sections of the token detail screen: diagnostics, factory erase, the
/// three PIN sections, token objects, signing key generation and the certificate request.
/// PKCS#11 work runs in a task of its own, card work on the card worker; once the controller
/// is gone no result of either reaches it.
class TokenAdminController : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString genKeyPin READ genKeyPin WRITE setGenKeyPin NOTIFY genKeyPinChanged)

public:
    explicit TokenAdminController(TokenManager& manager, QObject* parent = nullptr);
    ~TokenAdminController() override;

    AdminActionState& connectionTest() { return m_connection; }
    AdminActionState& slotTest() { return m_slots; }
    AdminActionState& erase() { return m_erase; }
    AdminPinController& changePin() { return m_changePin; }
    AdminPinController& unlockPin() { return m_unlockPin; }
    AdminPinController& changeSoPin() { return m_changeSoPin; }
    AdminObjectsController& objects() { return m_objects; }
    AdminActionState& genKey() { return m_genKey; }
    AdminCsrController& csr() { return m_csr; }

    const QString& genKeyPin() const { return m_genKeyPin.text(); }
    void setGenKeyPin(const QString& pin);

    /// Asks the token for a challenge over the card driver.
    void testConnection();
    /// Counts the PKCS#11 slots that hold a token (0 included).
    void testSlots();
    /// Erases the token in the first reader (the provisioner's default): every key, PIN and
    /// file. The screen asks first.
    void eraseToken();
    /// Makes the signing key pair "orvela-sign", then reloads the objects with the same PIN.
    void generateKey();
    /// Forgets every PIN typed into the sections (the screen closes).
    void clearSecrets();

signals:
    void genKeyPinChanged();

private:
    TokenManager& m_manager;
    AdminActionState m_connection;
    AdminActionState m_slots;
    AdminActionState m_erase;
    AdminPinController m_changePin{AdminPinController::Kind::changeUserPin};
    AdminPinController m_unlockPin{AdminPinController::Kind::unlockUserPin};
    AdminPinController m_changeSoPin{AdminPinController::Kind::changeSoPin};
    AdminObjectsController m_objects;
    PinText m_genKeyPin;
    AdminActionState m_genKey;
    AdminCsrController m_csr;
};

} // namespace orvela::tokens
