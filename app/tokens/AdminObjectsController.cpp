#include "tokens/AdminObjectsController.h"

#include "common/LocalInput.h"
#include "common/PoolTask.h"
#include "tokens/AdminSecret.h"
#include "tokens/CertificateImport.h"
#include "tokens/TokenProvisioner.h"
#include "tokens/TokenWork.h"

#include <algorithm>

namespace orvela::tokens {

AdminObjectsController::AdminObjectsController(QObject* parent) : QObject(parent) {}

AdminObjectsController::~AdminObjectsController()
{
    clearPin();
}

void AdminObjectsController::setPin(const QString& pin)
{
    m_pin.set(pin);
    emit pinChanged();
}

void AdminObjectsController::clearPin()
{
    m_pin.clear();
    emit pinChanged();
}

void AdminObjectsController::load()
{
    m_state.start();
    list(m_pin.text(), false);
}

void AdminObjectsController::reloadWith(const QString& pin)
{
    list(pin, true);
}

void AdminObjectsController::list(const QString& pin, bool quietly)
{
    const quint64 task = ++m_listTask;
    runPkcs11Work(
        this, [secret = secretOf(pin)] { return TokenProvisioner().listObjects(textOf(secret)); },
        [this, task, quietly](const TokenOutcome<ObjectList>& outcome) {
            if (task != m_listTask) {
                return;
            }
            if (!outcome.ok()) {
                m_state.fail(outcome.failure);
                return;
            }
            m_objects = *outcome.value;
            emit objectsChanged();
            if (!quietly) {
                m_state.succeed({});
            }
        });
}

void AdminObjectsController::remove(const QString& idHex, const QString& kind)
{
    m_state.start();
    runPkcs11Work(
        this,
        [secret = secretOf(m_pin.text()), id = idHex.toStdString(), kind = kind.toStdString()] {
            TokenProvisioner().deleteObject(textOf(secret), id, kind);
        },
        [this, id = idHex.toStdString(), kind = kind.toStdString()](const auto& outcome) {
            if (!outcome.ok()) {
                m_state.fail(outcome.failure);
                return;
            }
            std::erase_if(m_objects, [&](const auto& object) {
                return object.idHex == id && object.kind == kind;
            });
            emit objectsChanged();
            m_state.succeed({});
        });
}

void AdminObjectsController::importFile(const QString& path)
{
    m_state.start();
    // A file on a slow disk would freeze the screen; it is read on the pool like any other.
    common::runOnPool(
        this, [path] { return common::readLocalFile(path, common::inputLimit::tokenCertificate); },
        [this, pin = m_pin.text()](const common::LocalInput& input) {
            if (const auto* error = std::get_if<common::LocalInputError>(&input)) {
                m_state.fail(common::KeyedText{{}, {}, *error});
                return;
            }
            importBytes(std::get<QByteArray>(input), pin);
        });
}

void AdminObjectsController::importBytes(const QByteArray& fileBytes, const QString& pin)
{
    // Whatever is not one certificate would sit on the token as a corrupt "eid-cert" that
    // every later reader of the token trips over; refuse it before the token is touched.
    const std::optional<QByteArray> der = certificateToImport(fileBytes);
    if (!der) {
        m_state.fail(common::KeyedText{QStringLiteral("Tokens_Import_NotCertificate"), {}});
        return;
    }
    runPkcs11Work(
        this,
        [secret = secretOf(pin), value = tokenkit::Bytes(der->cbegin(), der->cend())] {
            TokenProvisioner().importCertificate(textOf(secret), value);
        },
        [this, pin](const auto& outcome) {
            if (!outcome.ok()) {
                m_state.fail(outcome.failure);
                return;
            }
            m_state.succeed({QStringLiteral("Token_Import_Done"), {}});
            reloadWith(pin);
        });
}

} // namespace orvela::tokens
