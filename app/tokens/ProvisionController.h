#pragma once

#include "common/KeyedText.h"
#include "tokens/PinText.h"
#include "tokens/ProvisionInput.h"
#include "tokens/TokenFailure.h"
#include "tokens/TokenProvisioner.h"

#include <QObject>
#include <QString>
#include <optional>

namespace orvela::tokens {

/// The five steps of the provisioning section.
enum class ProvisionStep { choose, apduPins, pkcs11Pins, working, done };

/// The provisioning section's state and actions: pick a road, enter the three PINs, run the
/// road on the token. APDU work runs on the card worker, PKCS#11 work in a task of its own;
/// results arrive on the interface thread and never after this object is gone.
class ProvisionController : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString userPin READ userPin WRITE setUserPin NOTIFY changed)
    Q_PROPERTY(QString userPinRepeat READ userPinRepeat WRITE setUserPinRepeat NOTIFY changed)
    Q_PROPERTY(QString soPin READ soPin WRITE setSoPin NOTIFY changed)
    Q_PROPERTY(bool isBusy READ isBusy NOTIFY changed)

public:
    /// `options` name the card readers, the reader and the PKCS#11 library of every run; the
    /// APDU road needs the readers.
    explicit ProvisionController(TokenProvisioner::Options options = {}, QObject* parent = nullptr);
    ~ProvisionController() override;

    ProvisionStep step() const { return m_step; }
    const QString& userPin() const { return m_pins.userPin; }
    const QString& userPinRepeat() const { return m_pins.userPinRepeat; }
    const QString& soPin() const { return m_pins.soPin; }
    bool isBusy() const { return m_busy; }
    /// What the run does now, and how it ended well; the screen words them.
    const common::KeyedText& progressText() const { return m_progress; }
    const common::KeyedText& successText() const { return m_success; }
    /// Why the last run failed, as a typed value the screen words; none after a success.
    const std::optional<TokenFailure>& failure() const { return m_failure; }

    void setUserPin(const QString& pin);
    void setUserPinRepeat(const QString& pin);
    void setSoPin(const QString& pin);

    /// Whether the form's button may be pressed (the shared enabling rule).
    bool canProvision() const;

    void chooseApdu();
    void choosePkcs11();
    /// Runs the road of the current form. On the APDU road a PIN the token cannot verify (more
    /// than 16 UTF-8 bytes) is refused here, before anything is sent, and the form stays.
    void provision();
    /// "Шинэ тохиргоо": empty fields and texts, back to the choice.
    void startOver();
    /// Forgets the PINs; the screen calls it when it closes.
    void clearSecrets();

signals:
    void changed();

private:
    void provisionApdu();
    void provisionPkcs11();
    void generateApduKey(const tokenkit::Bytes& userPin);
    void begin(const char* progressKey);
    void setProgress(const char* progressKey);
    void succeed(const char* successKey);
    void fail(ProvisionStep form, const TokenFailure& failure);
    void setPin(QString& field, const QString& pin);
    void wipePins();

    TokenProvisioner::Options m_options;
    ProvisionStep m_step = ProvisionStep::choose;
    ProvisionPins m_pins;
    bool m_busy = false;
    common::KeyedText m_progress;
    common::KeyedText m_success;
    std::optional<TokenFailure> m_failure;
};

} // namespace orvela::tokens
