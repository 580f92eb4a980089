#include "tokens/TokenProvisioner.h"

#include "common/LogCategories.h"
#include "orvela/tokenkit/TesselDriver.h"
#include "orvela/tokenkit/TokenError.h"
#include "orvela/tokenkit/TransportKey.h"
#include "tokens/ModuleChoice.h"
#include "tokens/TokenCard.h"

#include <stdexcept>

namespace orvela::tokens {

using tokenkit::Bytes;
using tokenkit::ByteView;
using tokenkit::SmartCard;
using tokenkit::TesselDriver;

namespace {

const Bytes& keyID()
{
    static const Bytes id{kSigningKeyID};
    return id;
}

std::string text(std::string_view view)
{
    return std::string(view);
}

/// An empty PIN could only cost a try (or, through PKCS#11, earn a bad-argument code): it is
/// refused before any token sees it.
void requirePin(std::string_view pin)
{
    if (pin.empty()) {
        throw tokenkit::TokenError::pinEmpty();
    }
}

template <class... Pins> void requirePins(const Pins&... pins)
{
    (requirePin(pins), ...);
}

void requireVerifiable(ByteView pin)
{
    requirePin({reinterpret_cast<const char*>(pin.data()), pin.size()});
    if (pin.size() > TesselDriver::kMaxPinLength) {
        throw tokenkit::TokenError::pinTooLong();
    }
}

/// Each card session opens its own secure channel with a driver of its own, so no channel
/// outlives the session it belongs to.
template <class Work> void inSecureSession(tokenkit::CardReaders& readers, int reader, Work&& work)
{
    withCard(readers, reader, [&](SmartCard& card) {
        TesselDriver driver;
        const Bytes key = tokenkit::defaultTransportKey();
        driver.establishSecureSession(key, key, card);
        work(driver, card);
    });
}

} // namespace

TokenProvisioner::TokenProvisioner(Options options) : m_options(std::move(options)) {}

std::unique_ptr<tokenkit::PKCS11Module> TokenProvisioner::openModule() const
{
    return tokenkit::PKCS11Module::open(libraryInUse(m_options.library));
}

tokenkit::CardReaders& TokenProvisioner::cardReaders() const
{
    if (!m_options.readers) {
        throw std::logic_error("TokenProvisioner: the APDU road needs card readers");
    }
    return *m_options.readers;
}

void TokenProvisioner::initializeApdu(ByteView userPin, ByteView soPin)
{
    requireVerifiable(userPin);
    requireVerifiable(soPin);
    inSecureSession(
        cardReaders(), m_options.readerIndex, [&](TesselDriver& driver, SmartCard& card) {
            qCInfo(lcTokenProvisioner, "secure channel open; initialising the token");
            driver.initializePIN(userPin, soPin, card);
            qCInfo(lcTokenProvisioner, "token initialised: file system, PIN and PUK set");
        });
}

void TokenProvisioner::generateApduKey(ByteView userPin)
{
    requireVerifiable(userPin);
    inSecureSession(cardReaders(), m_options.readerIndex,
                    [&](TesselDriver& driver, SmartCard& card) {
                        driver.verifyPIN(userPin, TesselDriver::kUserPinReference, card);
                        qCInfo(lcTokenProvisioner, "PIN verified; generating the signing key");
                        driver.generateECKeyPair(kSigningKeyID, card);
                        qCInfo(lcTokenProvisioner, "signing key generated");
                    });
}

void TokenProvisioner::eraseApdu()
{
    inSecureSession(cardReaders(), m_options.readerIndex,
                    [&](TesselDriver& driver, SmartCard& card) {
                        driver.eraseCard(card);
                        qCInfo(lcTokenProvisioner, "Card erased");
                    });
}

void TokenProvisioner::fullProvision(std::string_view soPin, std::string_view userPin)
{
    requirePins(soPin, userPin);
    openModule()->fullProvision(soPin, userPin, kTokenLabel, kSigningKeyLabel, keyID());
    qCInfo(lcTokenProvisioner, "PKCS#11 provisioning done");
}

std::vector<tokenkit::PKCS11Module::ULong> TokenProvisioner::slotsWithToken()
{
    auto module = openModule();
    module->initialize();
    std::vector<tokenkit::PKCS11Module::ULong> present;
    try {
        present = module->getSlotList(true);
    } catch (...) {
        module->finalize();
        throw;
    }
    module->finalize();
    return present;
}

std::size_t TokenProvisioner::slotCount()
{
    return slotsWithToken().size();
}

Pkcs11Token TokenProvisioner::firstToken()
{
    auto module = openModule();
    module->initialize();
    try {
        const auto present = module->getSlotList(true);
        if (present.empty()) {
            throw tokenkit::P11Error::ckError("getSlotList (empty)", 0);
        }
        Pkcs11Token token{module->libraryPath(), present.front(),
                          module->tokenLabel(present.front()).value_or(std::string())};
        module->finalize();
        return token;
    } catch (...) {
        module->finalize();
        throw;
    }
}

void TokenProvisioner::changeUserPin(std::string_view oldPin, std::string_view newPin)
{
    requirePins(oldPin, newPin);
    openModule()->changeUserPIN(oldPin, newPin);
    qCInfo(lcTokenProvisioner, "User PIN changed via PKCS#11");
}

void TokenProvisioner::changeSoPin(std::string_view oldPin, std::string_view newPin)
{
    requirePins(oldPin, newPin);
    openModule()->changeSOPIN(oldPin, newPin);
    qCInfo(lcTokenProvisioner, "SO PIN changed via PKCS#11");
}

void TokenProvisioner::unlockUserPin(std::string_view soPin, std::string_view newUserPin)
{
    requirePins(soPin, newUserPin);
    openModule()->unlockUserPIN(soPin, newUserPin);
    qCInfo(lcTokenProvisioner, "User PIN unlocked via PKCS#11");
}

std::vector<TokenObjectInfo> TokenProvisioner::listObjects(std::string_view pin)
{
    requirePin(pin);
    return openModule()->listObjects(pin);
}

void TokenProvisioner::importCertificate(std::string_view pin, ByteView certificateDER)
{
    requirePin(pin);
    openModule()->importCertificate(pin, kCertificateLabel, certificateDER, keyID());
    qCInfo(lcTokenProvisioner, "Certificate imported via PKCS#11 (label=%s)",
           text(kCertificateLabel).c_str());
}

void TokenProvisioner::deleteObject(std::string_view pin, std::string_view idHex,
                                    std::string_view kind)
{
    requirePin(pin);
    openModule()->deleteObject(pin, idHex, kind);
    qCInfo(lcTokenProvisioner, "Token object deleted (id=%s, kind=%s)", text(idHex).c_str(),
           text(kind).c_str());
}

void TokenProvisioner::generateSigningKey(std::string_view pin)
{
    requirePin(pin);
    openModule()->generateSigningKey(pin, kSigningKeyLabel, keyID());
    qCInfo(lcTokenProvisioner, "Signing keypair generated via PKCS#11");
}

tokenkit::CSR::Request TokenProvisioner::generateCsr(std::string_view pin,
                                                     const std::optional<std::string>& keyLabel,
                                                     std::string_view registryNumber)
{
    requirePin(pin);
    const tokenkit::CSR::Subject subject{text(registryNumber), text(registryNumber),
                                         text(kRequestCountry), std::nullopt};
    auto request = openModule()->generateCSR(pin, keyLabel, subject);
    qCInfo(lcTokenProvisioner, "certificate request made (%ld bytes PEM)",
           static_cast<long>(request.pem.size()));
    return request;
}

Bytes TokenProvisioner::signPkcs11(std::string_view pin, const std::optional<std::string>& keyLabel,
                                   ByteView hash)
{
    requirePin(pin);
    return openModule()->signECDSA(pin, keyLabel, hash);
}

} // namespace orvela::tokens
