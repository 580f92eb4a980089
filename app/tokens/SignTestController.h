#pragma once

#include "common/KeyedText.h"
#include "common/LocalInput.h"
#include "tokens/PinText.h"
#include "tokens/TokenFailure.h"
#include "tokens/TokenProvisioner.h"
#include "tokens/TokenWork.h"

#include <QObject>
#include <QString>
#include <optional>

namespace orvela::tokens {

class TokenManager;

/// The road a test signature takes: the card driver or the PKCS#11 module.
enum class SignMode { apdu, pkcs11 };

/// The keys of the mode picker's text ("APDU (SM)", "PKCS#11 (Tessel)") and of the line shown
/// under it.
const char* modeKey(SignMode mode);
const char* descriptionKey(SignMode mode);

/// The sign test's state and actions: digest a file (or take a typed digest), have the token
/// sign the 32 bytes, show the signature. File reads and token work run off the interface
/// thread; their results never reach a destroyed controller.
class SignTestController : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString hashHex READ hashHex WRITE setHashHex NOTIFY changed)
    Q_PROPERTY(QString userPin READ userPin WRITE setUserPin NOTIFY changed)
    Q_PROPERTY(QString keyLabel READ keyLabel WRITE setKeyLabel NOTIFY changed)
    Q_PROPERTY(QString fileName READ fileName NOTIFY changed)
    Q_PROPERTY(QString signatureHex READ signatureHex NOTIFY changed)
    Q_PROPERTY(bool isBusy READ isBusy NOTIFY changed)

public:
    /// `options` name the PKCS#11 library of the PKCS#11 mode.
    explicit SignTestController(TokenManager& manager, TokenProvisioner::Options options = {},
                                QObject* parent = nullptr);
    ~SignTestController() override;

    SignMode mode() const { return m_mode; }
    const QString& hashHex() const { return m_hash; }
    const QString& userPin() const { return m_pin.text(); }
    const QString& keyLabel() const { return m_keyLabel; }
    /// The last path component of the digested file.
    const QString& fileName() const { return m_fileName; }
    /// The hash field holds the digest of the chosen file.
    bool isHashReady() const { return !m_fileDigest.isEmpty() && m_fileDigest == m_hash; }
    /// Upper-case hexadecimal of the token's signature; empty when none.
    const QString& signatureHex() const { return m_signature; }
    /// Why the last choice failed or a hash was refused; the screen words it. Empty when
    /// nothing failed or the token failed (see failure()).
    const common::KeyedText& errorText() const { return m_error; }
    /// The token failure of the last signature; none when it did not fail at the token.
    const std::optional<TokenFailure>& failure() const { return m_failure; }
    /// A file is being digested or the token is signing.
    bool isBusy() const { return m_signing || m_reading; }

    void setMode(SignMode mode);
    void setHashHex(const QString& hex);
    void setUserPin(const QString& pin);
    void setKeyLabel(const QString& label);

    /// Reads the file off the interface thread (at most a document's size) and puts its
    /// SHA-256 in the hash field; a later choice discards a pending result.
    void chooseFile(const QString& path);
    /// Signs the hash field's 32 bytes on the selected road.
    void sign();
    /// Forgets the PIN; the screen calls it when it closes.
    void clearSecrets();

signals:
    void changed();

private:
    struct Digest;
    void digested(const QString& name, const Digest& digest);
    void finishSigning(const TokenOutcome<tokenkit::Bytes>& outcome);
    void clearError();

    TokenManager& m_manager;
    TokenProvisioner::Options m_options;
    SignMode m_mode = SignMode::apdu;
    QString m_hash;
    PinText m_pin;
    QString m_keyLabel;
    QString m_fileName;
    QString m_fileDigest;
    QString m_signature;
    common::KeyedText m_error;
    std::optional<TokenFailure> m_failure;
    bool m_signing = false;
    bool m_reading = false;
    quint64 m_read = 0; ///< numbers file reads, so that a late digest is dropped
};

} // namespace orvela::tokens
