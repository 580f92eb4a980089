#pragma once

#include "tokens/AdminActionState.h"
#include "tokens/PinText.h"

#include <QObject>
#include <QString>

namespace orvela::tokens {

/// The certificate request section: a PKCS#10 request for a key on the token, whose PEM the
/// person copies or saves and hands to the certificate authority.
class AdminCsrController : public QObject {
    Q_OBJECT
    Q_PROPERTY(
        QString registryNumber READ registryNumber WRITE setRegistryNumber NOTIFY fieldsChanged)
    Q_PROPERTY(QString pin READ pin WRITE setPin NOTIFY fieldsChanged)
    Q_PROPERTY(QString keyLabel READ keyLabel WRITE setKeyLabel NOTIFY fieldsChanged)
    Q_PROPERTY(QString pem READ pem NOTIFY pemChanged)

public:
    explicit AdminCsrController(QObject* parent = nullptr);
    ~AdminCsrController() override;

    const QString& registryNumber() const { return m_registryNumber; }
    const QString& pin() const { return m_pin.text(); }
    const QString& keyLabel() const { return m_keyLabel; }
    void setRegistryNumber(const QString& text);
    void setPin(const QString& text);
    void setKeyLabel(const QString& text);

    /// The last request's PEM, final line feed included; empty before the first.
    const QString& pem() const { return m_pem; }
    AdminActionState& state() { return m_state; }
    /// The outcome of the last save of the PEM.
    AdminActionState& saveState() { return m_saveState; }

    /// Builds the request: subject C=MN, O and CN the registry number as typed; the key
    /// labelled as in the field, or the token's first key when the field is empty.
    void submit();
    /// Writes the PEM to `path` off the interface thread, all of it or nothing.
    void savePem(const QString& path);
    void clearPin();

signals:
    void fieldsChanged();
    void pemChanged();

private:
    QString m_registryNumber;
    PinText m_pin;
    QString m_keyLabel;
    QString m_pem;
    AdminActionState m_state;
    AdminActionState m_saveState;
};

} // namespace orvela::tokens
