#pragma once

#include "tokens/AdminActionState.h"
#include "tokens/PinText.h"

#include <QObject>
#include <QString>

namespace orvela::tokens {

/// One of the three PIN sections: change the user PIN, unlock it with the SO PIN, or change
/// the SO PIN. The first field is the current PIN (the SO PIN when unlocking).
class AdminPinController : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString current READ current WRITE setCurrent NOTIFY fieldsChanged)
    Q_PROPERTY(QString newPin READ newPin WRITE setNewPin NOTIFY fieldsChanged)
    Q_PROPERTY(QString confirmation READ confirmation WRITE setConfirmation NOTIFY fieldsChanged)
    Q_PROPERTY(bool canSubmit READ canSubmit NOTIFY fieldsChanged)

public:
    enum class Kind { changeUserPin, unlockUserPin, changeSoPin };
    Q_ENUM(Kind)

    /// The fewest characters the first and the new PIN may have here.
    static constexpr int kMinimumLength = 4;

    explicit AdminPinController(Kind kind, QObject* parent = nullptr);
    ~AdminPinController() override;

    Kind kind() const { return m_kind; }
    const QString& current() const { return m_current.text(); }
    const QString& newPin() const { return m_newPin.text(); }
    const QString& confirmation() const { return m_confirmation.text(); }
    void setCurrent(const QString& text);
    void setNewPin(const QString& text);
    void setConfirmation(const QString& text);

    /// First and new PIN long enough, and the confirmation exactly the new PIN.
    bool canSubmit() const;
    AdminActionState& state() { return m_state; }

    /// Runs the section's PKCS#11 call; success clears the three fields, failure keeps them.
    void submit();
    /// Forgets the three fields (the screen closes).
    void clearFields();

signals:
    void fieldsChanged();

private:
    common::KeyedText successText() const;

    Kind m_kind;
    PinText m_current;
    PinText m_newPin;
    PinText m_confirmation;
    AdminActionState m_state;
};

} // namespace orvela::tokens
