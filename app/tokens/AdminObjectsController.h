#pragma once

#include "orvela/tokenkit/PKCS11Module.h"
#include "tokens/AdminActionState.h"
#include "tokens/PinText.h"

#include <QObject>
#include <QString>
#include <vector>

namespace orvela::tokens {

/// The token objects section: one PIN shared by loading, importing and deleting, and the
/// objects last loaded, in the token's order.
class AdminObjectsController : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString pin READ pin WRITE setPin NOTIFY pinChanged)

public:
    using ObjectList = std::vector<tokenkit::PKCS11Module::TokenObjectInfo>;

    explicit AdminObjectsController(QObject* parent = nullptr);
    ~AdminObjectsController() override;

    const QString& pin() const { return m_pin.text(); }
    void setPin(const QString& pin);
    const ObjectList& objects() const { return m_objects; }
    AdminActionState& state() { return m_state; }

    /// Lists the objects with the section's PIN; the result replaces the shown list.
    void load();
    /// Lists the objects with `pin` (another section's, after it changed the token); only a
    /// failure shows, in this section.
    void reloadWith(const QString& pin);
    /// Deletes the object with that ID and kind; on success every shown row with both goes,
    /// without asking the token again.
    void remove(const QString& idHex, const QString& kind);
    /// Reads the file off the interface thread and stores it as the token's certificate, but
    /// only when it is exactly one X.509 certificate (DER, or PEM around one); anything else is
    /// refused before the token is touched. Success reloads the list with the same PIN.
    void importFile(const QString& path);
    void clearPin();

signals:
    void pinChanged();
    void objectsChanged();

private:
    void list(const QString& pin, bool quietly);
    void importBytes(const QByteArray& fileBytes, const QString& pin);

    PinText m_pin;
    ObjectList m_objects;
    AdminActionState m_state;
    quint64 m_listTask = 0; ///< numbers listings, so that only the latest replaces the list
};

} // namespace orvela::tokens
