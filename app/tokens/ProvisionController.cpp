#include "tokens/ProvisionController.h"

#include "common/LogCategories.h"
#include "orvela/tokenkit/TesselDriver.h"
#include "orvela/tokenkit/TokenError.h"
#include "tokens/TokenWork.h"

namespace orvela::tokens {

using tokenkit::Bytes;

namespace {

Bytes utf8(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    Bytes result(bytes.cbegin(), bytes.cend());
    return result;
}

std::string_view textOf(const Bytes& bytes)
{
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

/// A PIN the card can verify: its UTF-8 encoding fits the token's PIN record.
bool fitsToken(const QString& pin)
{
    return static_cast<std::size_t>(pin.toUtf8().size()) <= tokenkit::TesselDriver::kMaxPinLength;
}

TokenFailure pinTooLong()
{
    return failureOf(tokenkit::TokenError::pinTooLong());
}

} // namespace

ProvisionController::ProvisionController(TokenProvisioner::Options options, QObject* parent)
    : QObject(parent), m_options(std::move(options))
{}

ProvisionController::~ProvisionController()
{
    wipePins();
}

void ProvisionController::wipePins()
{
    wipe(m_pins.userPin);
    wipe(m_pins.userPinRepeat);
    wipe(m_pins.soPin);
}

void ProvisionController::setPin(QString& field, const QString& pin)
{
    if (field != pin) {
        wipe(field);
        field = pin;
        emit changed();
    }
}

void ProvisionController::setUserPin(const QString& pin)
{
    setPin(m_pins.userPin, pin);
}

void ProvisionController::setUserPinRepeat(const QString& pin)
{
    setPin(m_pins.userPinRepeat, pin);
}

void ProvisionController::setSoPin(const QString& pin)
{
    setPin(m_pins.soPin, pin);
}

bool ProvisionController::canProvision() const
{
    return !m_busy && tokens::canProvision(m_pins);
}

void ProvisionController::chooseApdu()
{
    if (m_step == ProvisionStep::choose) {
        m_step = ProvisionStep::apduPins;
        emit changed();
    }
}

void ProvisionController::choosePkcs11()
{
    if (m_step == ProvisionStep::choose) {
        m_step = ProvisionStep::pkcs11Pins;
        emit changed();
    }
}

void ProvisionController::provision()
{
    if (!canProvision()) {
        return;
    }
    if (m_step == ProvisionStep::apduPins) {
        provisionApdu();
    } else if (m_step == ProvisionStep::pkcs11Pins) {
        provisionPkcs11();
    }
}

void ProvisionController::provisionApdu()
{
    // The fields' labels promise at most 16 characters, yet nothing else stops a longer PIN;
    // the token would only refuse it after the erase had begun.
    if (!fitsToken(m_pins.userPin) || !fitsToken(m_pins.soPin)) {
        m_failure = pinTooLong();
        emit changed();
        return;
    }
    begin("Tokens_Provision_ApduStarting");
    Bytes userPin = utf8(m_pins.userPin);
    Bytes soPin = utf8(m_pins.soPin);
    runCardWork(
        this, m_options.readers,
        [options = m_options, userPin, soPin] {
            TokenProvisioner(options).initializeApdu(userPin, soPin);
        },
        [this, userPin](const TokenOutcome<std::monostate>& outcome) {
            if (!outcome.ok()) {
                fail(ProvisionStep::apduPins, outcome.failure);
                return;
            }
            setProgress("Tokens_Provision_ApduPinsSet");
            generateApduKey(userPin);
        });
}

void ProvisionController::generateApduKey(const Bytes& userPin)
{
    setProgress("Tokens_Provision_ApduKeyGenerating");
    runCardWork(
        this, m_options.readers,
        [options = m_options, userPin] { TokenProvisioner(options).generateApduKey(userPin); },
        [this](const TokenOutcome<std::monostate>& outcome) {
            if (!outcome.ok()) {
                fail(ProvisionStep::apduPins, outcome.failure);
                return;
            }
            succeed("Tokens_Provision_ApduSuccess");
        });
}

void ProvisionController::provisionPkcs11()
{
    begin("Tokens_Provision_Pkcs11Starting");
    runPkcs11Work(
        this,
        [options = m_options, soPin = utf8(m_pins.soPin), userPin = utf8(m_pins.userPin)] {
            TokenProvisioner(options).fullProvision(textOf(soPin), textOf(userPin));
        },
        [this](const TokenOutcome<std::monostate>& outcome) {
            if (!outcome.ok()) {
                fail(ProvisionStep::pkcs11Pins, outcome.failure);
                return;
            }
            qCInfo(lcTokenProvisioner, "PKCS#11 provisioning done");
            succeed("Tokens_Provision_Pkcs11Success");
        });
}

void ProvisionController::begin(const char* progressKey)
{
    m_step = ProvisionStep::working;
    m_busy = true;
    m_failure.reset();
    m_success = {};
    m_progress = {QString::fromLatin1(progressKey), {}};
    emit changed();
}

void ProvisionController::setProgress(const char* progressKey)
{
    m_progress = {QString::fromLatin1(progressKey), {}};
    emit changed();
}

void ProvisionController::succeed(const char* successKey)
{
    wipePins();
    m_failure.reset();
    m_progress = {};
    m_success = {QString::fromLatin1(successKey), {}};
    m_step = ProvisionStep::done;
    m_busy = false;
    emit changed();
}

void ProvisionController::fail(ProvisionStep form, const TokenFailure& failure)
{
    m_failure = failure;
    m_progress = {};
    m_busy = false;
    m_step = form;
    emit changed();
}

void ProvisionController::startOver()
{
    if (m_busy) {
        return;
    }
    wipePins();
    m_progress = {};
    m_success = {};
    m_failure.reset();
    m_step = ProvisionStep::choose;
    emit changed();
}

void ProvisionController::clearSecrets()
{
    if (m_pins.userPin.isEmpty() && m_pins.userPinRepeat.isEmpty() && m_pins.soPin.isEmpty()) {
        return;
    }
    wipePins();
    emit changed();
}

} // namespace orvela::tokens
