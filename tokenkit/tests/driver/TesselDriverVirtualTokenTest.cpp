// The application's calling orders against the emulated token, in every channel mode.

#include "LogCapture.h"
#include "TokenFixture.h"
#include "orvela/tokenkit/Digest.h"
#include "orvela/tokenkit/TokenError.h"

#include <gmock/gmock.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ecdsa.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <optional>

using namespace orvela::tokenkit;
using namespace orvela::tokenkit::test;
using orvela::sim::VirtualToken;
using ::testing::ElementsAre;
using ::testing::IsSupersetOf;

namespace {

/// DER form of a signature the card may return as raw r || s.
Bytes derSignature(const Bytes& signature)
{
    if (signature.size() != 64) {
        return signature;
    }
    ECDSA_SIG* sig = ECDSA_SIG_new();
    ECDSA_SIG_set0(sig, BN_bin2bn(signature.data(), 32, nullptr),
                   BN_bin2bn(signature.data() + 32, 32, nullptr));
    unsigned char* der = nullptr;
    const int length = i2d_ECDSA_SIG(sig, &der);
    Bytes out(der, der + std::max(length, 0));
    OPENSSL_free(der);
    ECDSA_SIG_free(sig);
    return out;
}

/// Verifies an ECDSA signature (DER or raw r || s) over a hash with an uncompressed P-256 point.
bool verifiesWith(const Bytes& publicPoint, ByteView hash, const Bytes& rawOrDer)
{
    const Bytes signature = derSignature(rawOrDer);
    OSSL_PARAM_BLD* builder = OSSL_PARAM_BLD_new();
    OSSL_PARAM_BLD_push_utf8_string(builder, OSSL_PKEY_PARAM_GROUP_NAME, "prime256v1", 0);
    OSSL_PARAM_BLD_push_octet_string(builder, OSSL_PKEY_PARAM_PUB_KEY, publicPoint.data(),
                                     publicPoint.size());
    OSSL_PARAM* params = OSSL_PARAM_BLD_to_param(builder);
    EVP_PKEY_CTX* fromData = EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr);
    EVP_PKEY* key = nullptr;
    EVP_PKEY_fromdata_init(fromData);
    EVP_PKEY_fromdata(fromData, &key, EVP_PKEY_PUBLIC_KEY, params);
    bool ok = false;
    if (key != nullptr) {
        EVP_PKEY_CTX* verify = EVP_PKEY_CTX_new(key, nullptr);
        ok = EVP_PKEY_verify_init(verify) == 1 &&
             EVP_PKEY_verify(verify, signature.data(), signature.size(), hash.data(),
                             hash.size()) == 1;
        EVP_PKEY_CTX_free(verify);
    }
    EVP_PKEY_free(key);
    EVP_PKEY_CTX_free(fromData);
    OSSL_PARAM_free(params);
    OSSL_PARAM_BLD_free(builder);
    return ok;
}

bool isProtected(const Bytes& command)
{
    return !command.empty() && (command[0] & 0x0C) == 0x0C;
}

Bytes randomCertificate(std::size_t size)
{
    Bytes data(size);
    for (std::size_t i = 0; i < size; ++i) {
        data[i] = static_cast<std::uint8_t>((i * 131 + 7) % 251 + 1);
    }
    return data;
}

class TesselDriverOnToken : public TokenFixture {};

} // namespace

TEST_P(TesselDriverOnToken, ConnectionTestAndDetails)
{
    TesselDriver driver;
    VirtualCard card(*token);
    EXPECT_TRUE(driver.selectApplet(card).isSuccess());
    const Bytes first = driver.getChallenge(card);
    const Bytes second = driver.getChallenge(card);
    EXPECT_EQ(first.size(), 8u);
    EXPECT_NE(first, second);

    const TokenInfo info = driver.getTokenInfo(card);
    EXPECT_EQ(info.label, "Orvela Virtual Token");
    EXPECT_TRUE(info.appletSelected);
    EXPECT_EQ(info.isFIPS, fips());
    EXPECT_EQ(info.atr, token->atr());
}

TEST_P(TesselDriverOnToken, ProvisioningLogsEveryStepUnderTheChannel)
{
    TesselDriver driver;
    LogCapture log;
    VirtualCard card(*token);
    openChannel(driver, card);
    driver.initializePIN(kUserPin, kPuk, card);
    const std::string fipsText = fips() ? "true" : "false";
    EXPECT_THAT(
        log.lines(),
        IsSupersetOf(std::vector<std::string>{
            "TesselDriver info: SM session тогтоогдлоо (FIPS=" + fipsText + ")",
            "TesselDriver info: Card erased", "TesselDriver info: Transport ENC key installed",
            "TesselDriver info: Transport MAC key installed",
            "TesselDriver info: PKCS#15 filesystem created",
            "TesselDriver info: SO PIN (PUK) installed", "TesselDriver info: User PIN installed"}));
    EXPECT_EQ(token->pinTriesLeft(1), 10);
    EXPECT_EQ(token->pinTriesLeft(2), 10);
    // Everything after the mutual authentication travelled protected.
    const auto& sent = card.sentCommands();
    ASSERT_GT(sent.size(), 20u);
    EXPECT_TRUE(std::all_of(sent.begin() + 3, sent.end(), isProtected));
}

TEST_P(TesselDriverOnToken, KeyGeneratedOnTheTokenSignsAHashOpenSslVerifies)
{
    TesselDriver driver;
    provision(driver);
    LogCapture log;
    generateKey(driver);
    EXPECT_THAT(log.lines(), IsSupersetOf(std::vector<std::string>{
                                 "TesselDriver info: VERIFY PIN: амжилттай",
                                 "TesselDriver info: EC key pair үүсгэгдлэа (keyID=01)"}));
    const auto publicPoint = token->publicKey(1);
    ASSERT_TRUE(publicPoint.has_value());

    VirtualCard card(*token);
    driver.selectApplet(card);
    const Bytes hash = sha256(toBytes("document to sign"));
    const Bytes signature = driver.signECDSA(hash, card);
    EXPECT_TRUE(verifiesWith(*publicPoint, hash, signature));
    const Bytes otherHash = sha256(toBytes("another document"));
    EXPECT_FALSE(verifiesWith(*publicPoint, otherHash, signature));
}

TEST_P(TesselDriverOnToken, KeyGenerationNeedsTheVerifiedUserPin)
{
    TesselDriver driver;
    provision(driver);
    VirtualCard card(*token);
    openChannel(driver, card);
    try {
        driver.generateECKeyPair(0x01, card);
        ADD_FAILURE() << "key made without the PIN";
    } catch (const TokenError& e) {
        EXPECT_EQ(e.code(), TokenError::Code::keyGenFailed);
    }
    EXPECT_FALSE(token->publicKey(1).has_value());
}

TEST_P(TesselDriverOnToken, FactoryEraseRemovesTheKey)
{
    TesselDriver driver;
    provision(driver);
    generateKey(driver);
    {
        VirtualCard card(*token);
        openChannel(driver, card);
        driver.eraseCard(card);
    }
    EXPECT_FALSE(token->publicKey(1).has_value());
    VirtualCard card(*token);
    driver.selectApplet(card);
    EXPECT_THROW(driver.signECDSA(sha256(toBytes("x")), card), TokenError);
}

TEST_P(TesselDriverOnToken, WrongPinCountsDownThenBlocks)
{
    TesselDriver driver;
    provision(driver);
    VirtualCard card(*token);
    openChannel(driver, card);
    int previous = *token->pinTriesLeft(1);
    bool blocked = false;
    for (int attempt = 0; attempt < 12 && !blocked; ++attempt) {
        try {
            driver.verifyPIN(toBytes("000000"), TesselDriver::kUserPinReference, card);
            FAIL() << "wrong PIN accepted";
        } catch (const TokenError& e) {
            if (e.code() == TokenError::Code::pinBlocked) {
                blocked = true;
                break;
            }
            ASSERT_EQ(e.code(), TokenError::Code::pinVerifyFailed) << e.errorDescription();
            EXPECT_EQ(e.retriesLeft(), previous - 1);
            EXPECT_EQ(e.retriesLeft(), token->pinTriesLeft(1));
            previous = e.retriesLeft();
        }
    }
    EXPECT_TRUE(blocked);
    EXPECT_EQ(previous, 0);
    // Blocked means blocked: the right PIN no longer opens it.
    try {
        driver.verifyPIN(kUserPin, TesselDriver::kUserPinReference, card);
        ADD_FAILURE() << "blocked PIN accepted";
    } catch (const TokenError& e) {
        EXPECT_EQ(e.code(), TokenError::Code::pinBlocked);
    }
}

TEST_P(TesselDriverOnToken, CorrectPinAfterAMistakeRestoresTheCounter)
{
    TesselDriver driver;
    provision(driver);
    VirtualCard card(*token);
    openChannel(driver, card);
    EXPECT_THROW(driver.verifyPIN(toBytes("654321"), 2, card), TokenError);
    EXPECT_EQ(token->pinTriesLeft(1), 9);
    driver.verifyPIN(kUserPin, 2, card);
    EXPECT_EQ(token->pinTriesLeft(1), 10);
}

/// Creates an EF of the given size in the application DF, under the channel.
void createCertificateFile(TesselDriver& driver, std::uint16_t fid, std::uint16_t size,
                           SmartCard& card)
{
    const Bytes acl = hexToBytes("FFFF000000000000");
    driver.selectFile(TesselFile::applicationDF, card);
    driver.createFile(TesselDriver::buildEFFCP(fid, size, TesselFileType::transparent, acl), card);
}

TEST_P(TesselDriverOnToken, CertificateRoundTripsUnderTheChannel)
{
    TesselDriver driver;
    provision(driver);
    for (const std::uint16_t size :
         {std::uint16_t{600}, std::uint16_t{508}, std::uint16_t{239}, std::uint16_t{1}}) {
        const std::uint16_t fid = static_cast<std::uint16_t>(0x4410 + size % 64);
        const Bytes certificate = randomCertificate(size);
        VirtualCard card(*token);
        openChannel(driver, card);
        createCertificateFile(driver, fid, size, card);
        driver.writeCertificate(certificate, fid, card);
        EXPECT_EQ(driver.readCertificate(fid, card), certificate) << size;
    }
}

TEST_P(TesselDriverOnToken, ProtectedChunksFitAShortApdu)
{
    TesselDriver driver;
    provision(driver);
    const Bytes certificate = randomCertificate(600);
    VirtualCard card(*token);
    openChannel(driver, card);
    createCertificateFile(driver, 0x4410, 600, card);
    const std::size_t before = card.sentCommands().size();
    LogCapture log;
    driver.writeCertificate(certificate, 0x4410, card);
    EXPECT_THAT(log.lines(), ElementsAre("TesselDriver info: Certificate бичигдлээ (600 bytes, "
                                         "fileID=4410)"));
    std::vector<std::string> updates;
    for (std::size_t i = before; i < card.sentCommands().size(); ++i) {
        const Bytes& c = card.sentCommands()[i];
        if (c[1] == 0xD6) {
            EXPECT_TRUE(isProtected(c));
            updates.push_back(bytesToHex(ByteView(c).subspan(2, 2)));
        }
    }
    // 239-byte chunks: 239, 239, 122.
    EXPECT_THAT(updates, ElementsAre("0000", "00EF", "01DE"));

    const std::size_t readsFrom = card.sentCommands().size();
    EXPECT_EQ(driver.readCertificate(0x4410, card), certificate);
    const std::uint8_t asked = des() ? 231 : 223;
    EXPECT_EQ(driver.readChunkLength(card), asked);
    std::size_t reads = 0;
    for (std::size_t i = readsFrom; i < card.sentCommands().size(); ++i) {
        const Bytes& c = card.sentCommands()[i];
        if (c[1] == 0xB0) {
            ++reads;
            // Lc, then DO97 with the amount asked.
            EXPECT_EQ(bytesToHex(ByteView(c).subspan(5, 3)), bytesToHex(Bytes{0x97, 0x01, asked}));
        }
    }
    EXPECT_EQ(reads, 3u);
}

TEST_P(TesselDriverOnToken, CertificateWrittenUnderTheChannelReadsBackPlainInANewSession)
{
    TesselDriver driver;
    provision(driver);
    const Bytes certificate = randomCertificate(508);
    {
        VirtualCard card(*token);
        openChannel(driver, card);
        createCertificateFile(driver, 0x4411, 508, card);
        driver.writeCertificate(certificate, 0x4411, card);
    }
    TesselDriver fresh;
    VirtualCard card(*token);
    fresh.selectFile(TesselFile::applicationDF, card);
    EXPECT_EQ(fresh.readCertificate(0x4411, card), certificate);
    // 254 + 254 + a read past the end answered without data.
    EXPECT_EQ(card.sentCommands().size(), 1u + 1u + 3u);
}

TEST_P(TesselDriverOnToken, OversizedCertificateIsRefusedBeforeAnythingIsSent)
{
    TesselDriver driver;
    VirtualCard card(*token);
    openChannel(driver, card);
    const std::size_t before = card.sentCommands().size();
    LogCapture log;
    EXPECT_THROW(driver.writeCertificate(Bytes(65536, 0x30), 0x4410, card), TokenError);
    EXPECT_EQ(card.sentCommands().size(), before);
    EXPECT_THAT(log.lines(),
                ElementsAre("TesselDriver error: WRITE CERT refused: 65536 bytes exceed 65535"));
}

TEST_P(TesselDriverOnToken, ChannelIsNeverUsedInAnotherSession)
{
    TesselDriver driver;
    provision(driver);
    VirtualCard first(*token);
    openChannel(driver, first);
    const Bytes firstKeys = driver.secureMessaging()->sessionKeyMac();

    VirtualCard second(*token);
    EXPECT_FALSE(driver.hasSecureSession(second));
    try {
        driver.verifyPIN(kUserPin, 2, second);
    } catch (const TokenError&) {
        // Whether the token takes a plain VERIFY is its business; the bytes are ours.
    }
    ASSERT_EQ(second.sentCommands().size(), 1u);
    // Plain VERIFY: CLA 00, Lc 10, the PIN block; no wrapping under the old keys.
    EXPECT_EQ(bytesToHex(second.sentCommands()[0]).substr(0, 10), "0020000210");
    EXPECT_EQ(driver.secureMessaging(), nullptr);
    EXPECT_THROW(driver.generateECKeyPair(0x01, second), TokenError);
    EXPECT_EQ(second.sentCommands().size(), 1u);

    // A channel of its own works in the second session.
    openChannel(driver, second);
    EXPECT_NE(driver.secureMessaging()->sessionKeyMac(), firstKeys);
    driver.verifyPIN(kUserPin, 2, second);
    EXPECT_TRUE(isProtected(second.sentCommands().back()));
}

TEST_P(TesselDriverOnToken, ChannelClosedAtTheEndOfASessionIsNotUsedByTheNext)
{
    TesselDriver driver;
    provision(driver);
    // The same storage for both sessions' card objects, as a session owner reusing its slot.
    std::optional<VirtualCard> card;
    card.emplace(*token);
    {
        const auto scope = driver.sessionScope();
        openChannel(driver, *card);
        EXPECT_TRUE(driver.hasSecureSession(*card));
    }
    card.reset();
    card.emplace(*token);
    try {
        driver.verifyPIN(kUserPin, 2, *card);
    } catch (const TokenError&) {
    }
    ASSERT_EQ(card->sentCommands().size(), 1u);
    EXPECT_EQ(bytesToHex(card->sentCommands()[0]).substr(0, 10), "0020000210");
}

TEST_P(TesselDriverOnToken, LaterSessionInTheSamePlaceIsNeverWrappedWithOldKeys)
{
    TesselDriver driver;
    provision(driver);
    // No scope this time: the second session's object takes the first one's storage, and only
    // the card identity tells them apart.
    std::optional<VirtualCard> card;
    card.emplace(*token);
    openChannel(driver, *card);
    const void* firstAddress = &*card;
    card.reset();
    card.emplace(*token);
    ASSERT_EQ(static_cast<const void*>(&*card), firstAddress);
    EXPECT_FALSE(driver.hasSecureSession(*card));
    try {
        driver.verifyPIN(kUserPin, 2, *card);
    } catch (const TokenError&) {
    }
    ASSERT_EQ(card->sentCommands().size(), 1u);
    EXPECT_EQ(bytesToHex(card->sentCommands()[0]).substr(0, 10), "0020000210");
}

TEST_P(TesselDriverOnToken, ClosedChannelSendsPlainAgain)
{
    TesselDriver driver;
    VirtualCard card(*token);
    openChannel(driver, card);
    EXPECT_TRUE(driver.hasSecureSession(card));
    driver.closeSecureSession();
    EXPECT_FALSE(driver.hasSecureSession(card));
    EXPECT_THROW(driver.eraseCard(card), TokenError); // the token wants erase protected
    EXPECT_EQ(bytesToHex(card.sentCommands().back()), "800E000000");
}

TEST_P(TesselDriverOnToken, FailedChannelOpeningKeepsThePreviousChannel)
{
    TesselDriver driver;
    VirtualCard card(*token);
    openChannel(driver, card);
    const SecureMessaging* before = driver.secureMessaging();
    const Bytes wrongKey(16, 0x11);
    EXPECT_THROW(driver.establishSecureSession(wrongKey, wrongKey, card), TokenError);
    EXPECT_EQ(driver.secureMessaging(), before);
}

INSTANTIATE_TEST_SUITE_P(AllModes, TesselDriverOnToken,
                         ::testing::Values(VirtualToken::Mode::des, VirtualToken::Mode::aes,
                                           VirtualToken::Mode::aesFips),
                         modeName);
