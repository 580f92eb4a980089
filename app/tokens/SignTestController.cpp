#include "tokens/SignTestController.h"

#include "common/PoolTask.h"
#include "orvela/tokenkit/Bytes.h"
#include "tokens/TokenManager.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <variant>

namespace orvela::tokens {

using tokenkit::Bytes;

namespace {

constexpr std::size_t kHashBytes = 32;

} // namespace

const char* modeKey(SignMode mode)
{
    return mode == SignMode::apdu ? "Tokens_SignTest_ApduMode" : "Tokens_SignTest_Pkcs11Mode";
}

const char* descriptionKey(SignMode mode)
{
    return mode == SignMode::apdu ? "Tokens_SignTest_ApduDescription"
                                  : "Tokens_SignTest_Pkcs11Description";
}

/// A file's SHA-256 as lower-case hexadecimal, or why it could not be read.
struct SignTestController::Digest {
    std::variant<QString, common::LocalInputError> value;
};

SignTestController::SignTestController(TokenManager& manager, TokenProvisioner::Options options,
                                       QObject* parent)
    : QObject(parent), m_manager(manager), m_options(std::move(options))
{}

SignTestController::~SignTestController() = default;

void SignTestController::setMode(SignMode mode)
{
    if (mode != m_mode) {
        m_mode = mode;
        emit changed();
    }
}

void SignTestController::setHashHex(const QString& hex)
{
    if (hex != m_hash) {
        m_hash = hex;
        emit changed();
    }
}

void SignTestController::setUserPin(const QString& pin)
{
    if (m_pin.set(pin)) {
        emit changed();
    }
}

void SignTestController::setKeyLabel(const QString& label)
{
    if (label != m_keyLabel) {
        m_keyLabel = label;
        emit changed();
    }
}

void SignTestController::clearError()
{
    m_failure.reset();
    m_error = {};
}

void SignTestController::chooseFile(const QString& path)
{
    clearError();
    m_reading = true;
    const quint64 read = ++m_read;
    emit changed();
    // A document may be tens of MiB on a slow disk: read and digest it on the pool.
    common::runOnPool(
        this,
        [path] {
            const common::LocalInput input =
                common::readLocalFile(path, common::inputLimit::document);
            if (const auto* error = std::get_if<common::LocalInputError>(&input)) {
                return Digest{*error};
            }
            const QByteArray hash =
                QCryptographicHash::hash(std::get<QByteArray>(input), QCryptographicHash::Sha256);
            return Digest{QString::fromLatin1(hash.toHex())};
        },
        [this, read, name = QFileInfo(path).fileName()](const Digest& digest) {
            if (read == m_read) {
                digested(name, digest);
            }
        });
}

void SignTestController::digested(const QString& name, const Digest& digest)
{
    m_reading = false;
    if (const auto* error = std::get_if<common::LocalInputError>(&digest.value)) {
        m_error = {QStringLiteral("Tokens_SignTest_ReadFailed"), {}, *error};
    } else {
        m_hash = std::get<QString>(digest.value);
        m_fileDigest = m_hash;
        m_fileName = name;
    }
    emit changed();
}

void SignTestController::sign()
{
    if (m_signing) {
        return;
    }
    m_signature.clear();
    clearError();
    const Bytes hash = tokenkit::hexToBytes(m_hash.toStdString());
    if (hash.size() != kHashBytes) {
        m_error = {QStringLiteral("Tokens_SignTest_HashLength"), {}};
        emit changed();
        return;
    }
    m_signing = true;
    emit changed();
    const auto done = [this](const TokenOutcome<Bytes>& outcome) { finishSigning(outcome); };
    if (m_mode == SignMode::apdu) {
        m_manager.sign(hash, this, done);
        return;
    }
    std::optional<std::string> label;
    if (!m_keyLabel.isEmpty()) {
        label = m_keyLabel.toStdString();
    }
    runPkcs11Work(
        this,
        [options = m_options, pin = tokenkit::toBytes(m_pin.text().toStdString()), label, hash] {
            const std::string_view pinText(reinterpret_cast<const char*>(pin.data()), pin.size());
            return TokenProvisioner(options).signPkcs11(pinText, label, hash);
        },
        done);
}

void SignTestController::finishSigning(const TokenOutcome<Bytes>& outcome)
{
    m_signing = false;
    if (outcome.ok()) {
        m_signature = QString::fromStdString(tokenkit::bytesToHex(*outcome.value));
    } else {
        m_failure = outcome.failure;
    }
    emit changed();
}

void SignTestController::clearSecrets()
{
    if (!m_pin.isEmpty()) {
        m_pin.clear();
        emit changed();
    }
}

} // namespace orvela::tokens
