#include "tokens/AdminCsrController.h"

#include "common/PoolTask.h"
#include "common/WholeFile.h"
#include "tokens/AdminSecret.h"
#include "tokens/TokenProvisioner.h"
#include "tokens/TokenWork.h"

namespace orvela::tokens {

AdminCsrController::AdminCsrController(QObject* parent) : QObject(parent) {}

AdminCsrController::~AdminCsrController()
{
    clearPin();
}

void AdminCsrController::setRegistryNumber(const QString& text)
{
    m_registryNumber = text;
    emit fieldsChanged();
}

void AdminCsrController::setPin(const QString& text)
{
    m_pin = text;
    emit fieldsChanged();
}

void AdminCsrController::setKeyLabel(const QString& text)
{
    m_keyLabel = text;
    emit fieldsChanged();
}

void AdminCsrController::clearPin()
{
    m_pin.fill(QChar(0));
    m_pin.clear();
    emit fieldsChanged();
}

void AdminCsrController::submit()
{
    if (m_state.isBusy()) {
        return;
    }
    m_state.start({QStringLiteral("Tokens_Csr_Progress"), {}});
    std::optional<std::string> label;
    if (!m_keyLabel.isEmpty()) {
        label = m_keyLabel.toStdString();
    }
    runPkcs11Work(
        this,
        [secret = secretOf(m_pin), label, registry = m_registryNumber.toStdString()] {
            return TokenProvisioner().generateCsr(textOf(secret), label, registry).pem;
        },
        [this](const TokenOutcome<std::string>& outcome) {
            if (!outcome.ok()) {
                m_state.fail(outcome.failure);
                return;
            }
            m_pem = QString::fromStdString(*outcome.value);
            emit pemChanged();
            m_state.succeed({QStringLiteral("Tokens_Csr_Done"), QString::number(m_pem.size())});
        });
}

void AdminCsrController::savePem(const QString& path)
{
    m_saveState.start();
    common::runOnPool(
        this, [path, bytes = m_pem.toUtf8()] { return common::writeWholeFile(path, bytes); },
        [this, path](const QString& reason) {
            if (reason.isEmpty()) {
                m_saveState.succeed(
                    {QStringLiteral("Tokens_Csr_Saved"), QStringLiteral(": ") + path});
            } else {
                m_saveState.fail(common::KeyedText{QStringLiteral("Tokens_Csr_SaveFailed"),
                                                   QStringLiteral(": ") + path +
                                                       QStringLiteral(" (") + reason + u')'});
            }
        });
}

} // namespace orvela::tokens
