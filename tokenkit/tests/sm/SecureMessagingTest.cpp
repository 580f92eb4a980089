// The host's primitives against published answers, and its channel against the virtual token's
// card side in each mode the card offers.

#include "orvela/tokenkit/SecureMessaging.h"

#include "SecureChannel.h"
#include "SymmetricCrypto.h"
#include "TokenHarness.h"
#include "VirtualCard.h"
#include "orvela/tokenkit/TesselDriver.h"
#include "orvela/tokenkit/TokenError.h"
#include "orvela/tokenkit/TransportKey.h"

#include <functional>
#include <gtest/gtest.h>
#include <numeric>

using namespace orvela::tokenkit;
using namespace orvela::tokenkit::test;
using orvela::sim::VirtualToken;
using Mode = VirtualToken::Mode;
using orvela::sim::test::Reply;

namespace {

const Bytes kKey = defaultTransportKey();
const auto hex = &hexToBytes;

/// Answers from a list, for replies no sound card gives.
class FixedReplies : public CardTransmitter {
public:
    explicit FixedReplies(std::vector<std::string> replies) : m_replies(std::move(replies)) {}
    Bytes transmitRaw(ByteView) override { return hexToBytes(m_replies.at(sent++)); }
    std::size_t sent = 0;

private:
    std::vector<std::string> m_replies;
};

std::uint16_t statusOf(const SecureMessaging::Unwrapped& reply)
{
    return static_cast<std::uint16_t>(reply.sw1 << 8 | reply.sw2);
}

class ChannelModes : public ::testing::TestWithParam<Mode> {
protected:
    ChannelModes() : token(tokenOptions(GetParam())) {}

    /// One protected command with P1 P2 00 00, and its opened reply.
    Reply call(SecureMessaging& sm, VirtualCard& card, std::uint8_t cla, std::uint8_t ins,
               const std::optional<Bytes>& data, std::optional<std::uint8_t> le = std::nullopt)
    {
        const auto reply = sm.unwrapResponse(card.transmit(sm.wrapAPDU(cla, ins, 0, 0, data, le)));
        return {reply.data, statusOf(reply)};
    }

    VirtualToken token;
};

} // namespace

TEST(SymmetricCrypto, PublishedKnownAnswers)
{
    // FIPS-197 appendix C.1.
    EXPECT_EQ(crypto::aesEcbEncrypt(hex("000102030405060708090A0B0C0D0E0F"),
                                    hex("00112233445566778899AABBCCDDEEFF")),
              hex("69C4E0D86A7B0430D8CDB78070B4C55A"));
    // SP 800-38A F.2.1 and F.2.2, first two blocks; the MAC is the head of the last block.
    const Bytes key = hex("2B7E151628AED2A6ABF7158809CF4F3C");
    const Bytes iv = hex("000102030405060708090A0B0C0D0E0F");
    const Bytes plain = hex("6BC1BEE22E409F96E93D7E117393172AAE2D8A571E03AC9C9EB76FAC45AF8E51");
    const Bytes cipher = hex("7649ABAC8119B246CEE98E9B12E9197D5086CB9B507219EE95DB113A917678B2");
    EXPECT_EQ(crypto::aesCbc(key, iv, plain, true), cipher);
    EXPECT_EQ(crypto::aesCbc(key, iv, cipher, false), plain);
    EXPECT_EQ(crypto::aesMac(key, iv, plain), hex("5086CB9B507219EE"));

    // FIPS 81 CBC example, "Now is the time for all "; two-key Triple-DES with K1 = K2 is DES.
    const Bytes text = toBytes(std::string_view("Now is the time for all "));
    EXPECT_EQ(crypto::desCbcEncrypt(hex("0123456789ABCDEF"), hex("1234567890ABCDEF"), text),
              hex("E5C7CDDE872BF27C43E934008C389C0F683788499A7C05F6"));
    EXPECT_EQ(
        crypto::tdesEcbEncrypt(hex("0123456789ABCDEF0123456789ABCDEF"), hex("4E6F772069732074")),
        hex("3FA40E8A984D4815"));
    // ISO/IEC 9797-1 annex B, MAC algorithm 3, without and with padding method 2.
    const Bytes macKey = hex("0123456789ABCDEFFEDCBA9876543210");
    EXPECT_EQ(crypto::retailMac(macKey, Bytes(8, 0), text), hex("A1C72E74EA3FA9B6"));
    EXPECT_EQ(crypto::retailMac(macKey, Bytes(8, 0), crypto::pad(text, 8)),
              hex("E9086230CA3BE796"));
}

TEST(SymmetricCrypto, PaddingMethodTwoAndTheCounter)
{
    EXPECT_EQ(crypto::pad(hex("0102"), 8), hex("0102800000000000"));
    EXPECT_EQ(crypto::pad(hex("0102030405060708"), 8), hex("01020304050607088000000000000000"));
    EXPECT_EQ(crypto::pad(Bytes{}, 16), hex("80000000000000000000000000000000"));

    const std::pair<const char*, const char*> unpadded[] = {
        {"0102800000", "0102"},
        {"01028000800000", "01028000"}, // the last 80 counts
        {"0102800001", "0102800001"},   // non-zero after 80: unchanged
        {"01020000", "01020000"},       // no 80 at all
        {"80", ""},
    };
    for (const auto& [in, out] : unpadded) {
        EXPECT_EQ(crypto::unpad(hex(in)), hex(out)) << in;
    }
    // The send sequence counter carries and wraps.
    for (const auto& [before, after] : {std::pair("0000", "0001"), std::pair("12FFFF", "130000"),
                                        std::pair("FFFFFFFF", "00000000")}) {
        Bytes n = hex(before);
        crypto::incrementBigEndian(n);
        EXPECT_EQ(n, hex(after)) << before;
    }
}

TEST(SymmetricCrypto, WrongLengthsAreRefused)
{
    const Bytes key16(16, 1);
    const std::function<void()> calls[] = {
        [] { crypto::aesEcbEncrypt(Bytes(15, 1), Bytes(16)); },
        [] { crypto::tdesEcbEncrypt(Bytes(24, 1), Bytes(8)); },
        [&] { crypto::aesCbc(key16, Bytes(8), Bytes(16), true); },
        [&] { crypto::tdesCbc(key16, Bytes(16), Bytes(8), true); },
        [&] { crypto::aesCbc(key16, Bytes(16), Bytes(17), true); },
        [&] { crypto::tdesCbc(key16, Bytes(8), Bytes(12), false); },
        [&] { crypto::desCbcEncrypt(key16, Bytes(8), Bytes(8)); },
        [] { crypto::retailMac(Bytes(8, 1), Bytes(8), Bytes(8)); },
    };
    for (std::size_t i = 0; i < std::size(calls); ++i) {
        EXPECT_EQ(test::errorOf(calls[i]), TokenError::secureMessagingFailed()) << i;
    }
}

TEST_P(ChannelModes, OpensTheCardsChannelAndCommandsReachItIntactAndInStep)
{
    VirtualCard card(token);
    TKSmartCardTransmitter line(card);
    SecureMessaging sm;
    sm.mutualAuth(line, kKey, kKey);
    ASSERT_TRUE(sm.isEstablished());
    EXPECT_EQ(sm.isFIPS(), GetParam() == Mode::aesFips);
    EXPECT_EQ(sm.keyType(), GetParam() == Mode::des ? SecureMessaging::KeyEncType::des
                                                    : SecureMessaging::KeyEncType::aes);
    // INITIALIZE UPDATE asks a FIPS card for 29 bytes, others for 28.
    EXPECT_EQ(card.sentCommands().at(1).back(), GetParam() == Mode::aesFips ? 0x1D : 0x1C);
    const Bytes fcp = TesselDriver::buildEFFCP(0x4410, 600, TesselFileType::transparent,
                                               hexToBytes("FFFF000000000000"));
    ASSERT_EQ(call(sm, card, 0x80, 0xE0, fcp).sw, 0x9000);
    ASSERT_EQ(call(sm, card, 0x00, 0xA4, hexToBytes("4410")).sw, 0x9000);

    // The largest data a protected command holds goes through; one byte more is refused before
    // the counter moves, so the channel stays in step with the card.
    const std::size_t largest = SecureMessaging::maxWrappedDataLength(sm.keyType(), false);
    const Bytes icv = sm.icvMac();
    EXPECT_EQ(errorOf([&] { sm.wrapAPDU(0, 0xD6, 0, 0, Bytes(largest + 1, 1), {}); }),
              TokenError::invalidAPDU());
    EXPECT_EQ(sm.icvMac(), icv);
    Bytes content(largest);
    std::iota(content.begin(), content.end(), std::uint8_t{1});
    ASSERT_EQ(call(sm, card, 0x00, 0xD6, content).sw, 0x9000);
    const Reply read = call(sm, card, 0x00, 0xB0, std::nullopt, 0x20);
    ASSERT_EQ(read.sw, 0x9000);
    EXPECT_EQ(read.data, Bytes(content.begin(), content.begin() + 0x20));

    // Past 256 commands the AES counter carries into its next byte; the card must agree.
    for (int i = 0; i < 260; ++i) {
        ASSERT_EQ(call(sm, card, 0x00, 0xA4, hexToBytes("4410")).sw, 0x9000) << i;
    }
    // Sent out of order, a command's MAC no longer matches the card's counter.
    sm.wrapAPDU(0x00, 0xA4, 0, 0, hexToBytes("4410"), {});
    const Bytes second = sm.wrapAPDU(0x00, 0xA4, 0, 0, hexToBytes("4410"), {});
    EXPECT_EQ(statusOf(sm.unwrapResponse(card.transmit(second))), 0x6988);

    // With an Le the largest body still fits a short APDU.
    const std::size_t withLe = SecureMessaging::maxWrappedDataLength(sm.keyType(), true);
    const Bytes wrapped = sm.wrapAPDU(0x00, 0xD6, 0, 0, Bytes(withLe, 2), 0x00);
    EXPECT_EQ(wrapped.size(), wrapped[4] + 6u);
    EXPECT_TRUE(errorOf([&] { sm.wrapAPDU(0x00, 0xD6, 0, 0, Bytes(withLe + 1, 2), 0x00); }));
}

TEST_P(ChannelModes, RefusedOrForgedAuthenticationOpensNothing)
{
    struct Case {
        const char* what;
        std::function<void(VirtualCard&)> arrange;
        Bytes key;
        TokenError expected;
        std::size_t commandsSent;
    };
    const Case cases[] = {
        {"wrong static key", [](VirtualCard&) {}, Bytes(16, 0x11), TokenError::authFailed(), 2},
        {"INITIALIZE UPDATE refused", [](VirtualCard& c) { c.refuseAfter(1, 0x6A88); }, kKey,
         TokenError::unexpectedStatus(0x6A88), 2},
        {"EXTERNAL AUTHENTICATE refused", [](VirtualCard& c) { c.refuseAfter(2, 0x6982); }, kKey,
         TokenError::authFailed(), 3},
        {"card cryptogram altered",
         [](VirtualCard& c) {
             c.tamper([](ByteView command, Bytes& reply) {
                 if (command[1] == 0x50) {
                     reply[reply.size() - 3] ^= 0x01;
                 }
             });
         },
         kKey, TokenError::authFailed(), 2},
    };
    for (const Case& c : cases) {
        VirtualCard card(token);
        c.arrange(card);
        TKSmartCardTransmitter line(card);
        SecureMessaging sm;
        EXPECT_EQ(errorOf([&] { sm.mutualAuth(line, c.key, c.key); }), c.expected) << c.what;
        EXPECT_FALSE(sm.isEstablished()) << c.what;
        EXPECT_EQ(card.sentCommands().size(), c.commandsSent) << c.what;
        EXPECT_EQ(errorOf([&] { sm.wrapAPDU(0, 0x20, 0, 2, Bytes(16), std::nullopt); }),
                  TokenError::secureMessagingFailed())
            << c.what;
    }
}

INSTANTIATE_TEST_SUITE_P(AllCards, ChannelModes,
                         ::testing::Values(Mode::des, Mode::aes, Mode::aesFips),
                         [](const auto& mode) {
                             return std::string(mode.param == Mode::des ? "TripleDes" : "Aes") +
                                    (mode.param == Mode::aesFips ? "Fips" : "");
                         });

TEST(SecureMessaging, WrapsAndUnwrapsUnderAes)
{
    VirtualToken token(tokenOptions(Mode::aes));
    VirtualCard card(token);
    TKSmartCardTransmitter line(card);
    SecureMessaging sm;
    sm.mutualAuth(line, kKey, kKey);

    // VERIFY with a 16-byte PIN block: DO87 of 1 + 32 bytes, no DO97, DO8E with the MAC that
    // now heads the chaining value, then Le 00.
    const Bytes verify = sm.wrapAPDU(0x00, 0x20, 0x00, 0x02, Bytes(16, 0x31), std::nullopt);
    ASSERT_EQ(verify.size(), 5u + 0x2D + 1u);
    EXPECT_EQ(bytesToHex(ByteView(verify).first(8)), "0C2000022D872101");
    EXPECT_EQ(bytesToHex(ByteView(verify).subspan(40, 10)),
              "8E08" + bytesToHex(ByteView(sm.icvMac()).first(8)));
    EXPECT_EQ(verify.back(), 0x00);
    // No data, Le 00: body 97 01 00 8E 08 MAC. Present but empty data is sent like no data.
    EXPECT_EQ(bytesToHex(sm.wrapAPDU(0x00, 0xB0, 0, 0, std::nullopt, 0x00)).substr(0, 20),
              "0CB000000D9701008E08");
    EXPECT_EQ(bytesToHex(sm.wrapAPDU(0x80, 0x0E, 0, 0, Bytes{}, std::nullopt)).substr(0, 14),
              "8C0E00000A8E08");

    // A status other than 9000 comes back with no data, whatever the body holds.
    for (const auto& [reply, status] : {std::pair("6A82", 0x6A82), std::pair("9000", 0x9000),
                                        std::pair("870501AABBCCDD9001", 0x9001)}) {
        const auto opened = sm.unwrapResponse(hexToBytes(reply));
        EXPECT_TRUE(opened.data.empty()) << reply;
        EXPECT_EQ(statusOf(opened), status) << reply;
    }
    // A DO87 whose plaintext carries no valid padding comes back whole.
    const Bytes noPadding(16, 0x33);
    Bytes reply = hexToBytes("99029000 871101");
    append(reply, crypto::aesCbc(sm.sessionKeyEnc(), Bytes(16, 0), noPadding, true));
    append(reply, hexToBytes("8E0811223344556677889000"));
    EXPECT_EQ(sm.unwrapResponse(reply).data, noPadding);

    // Objects whose length runs past the body, an empty DO87, a cryptogram that is not whole
    // blocks, and a reply without status are refused rather than read.
    for (const char* bad :
         {"8710019000", "87000100009000", "991090009000", "8E9000", "870501AABBCCDD9000", "90"}) {
        EXPECT_EQ(errorOf([&] { sm.unwrapResponse(hexToBytes(bad)); }),
                  TokenError::secureMessagingFailed())
            << bad;
    }
}

TEST(SecureMessaging, AuthenticationAnswersPickTheCipherOrAreRefused)
{
    // The cards above answer 80 01 01 or 80 01 00 and are FIPS only with 87 01 01 at byte 32;
    // other data is never FIPS and its D[2] alone picks AES, and a bare status means Triple-DES.
    for (const auto& [probe, isAes] : {std::pair("0000019000", true),
                                       std::pair("8001029000", false), std::pair("9000", false)}) {
        FixedReplies card({probe, "6A88"});
        SecureMessaging sm;
        EXPECT_EQ(errorOf([&] { sm.mutualAuth(card, kKey, kKey); }),
                  TokenError::unexpectedStatus(0x6A88))
            << probe;
        EXPECT_FALSE(sm.isFIPS()) << probe;
        EXPECT_EQ(sm.keyType() == SecureMessaging::KeyEncType::aes, isAes) << probe;
    }
    const auto attempt = [](FixedReplies& card, ByteView key,
                            SecureMessaging::RandomSource random =
                                SecureMessaging::systemRandom()) {
        SecureMessaging sm(std::move(random));
        const auto error = errorOf([&] { sm.mutualAuth(card, key, key); });
        EXPECT_FALSE(sm.isEstablished());
        return error ? error->code() : TokenError::Code::transmitFailed;
    };
    for (const std::string& reply :
         {std::string("90"), std::string("9000"), std::string(27 * 2, '0') + "9000"}) {
        FixedReplies card({"6A82", reply});
        EXPECT_EQ(attempt(card, kKey), TokenError::Code::authFailed) << reply;
    }
    FixedReplies noRandom({"6A82"});
    EXPECT_EQ(attempt(noRandom, kKey, [](std::span<std::uint8_t>) { return false; }),
              TokenError::Code::authFailed);
    EXPECT_EQ(noRandom.sent, 1u);
    FixedReplies shortKey({"6A82", std::string(28 * 2, '0') + "9000"});
    EXPECT_EQ(attempt(shortKey, Bytes(15, 1)), TokenError::Code::secureMessagingFailed);

    // An answer one byte short of its cryptogram must not be completed with the status word
    // behind it: find a card challenge whose true cryptogram ends in 90, then cut that byte.
    const Bytes host = hexToBytes("0102030405060708");
    orvela::sim::SecureChannel cardSide(orvela::sim::cardcrypto::Family::aes, false);
    Bytes answer;
    for (unsigned n = 0; n < 0x10000 && (answer.empty() || answer.back() != 0x90); ++n) {
        const Bytes challenge{
            0, 0, 0, 0, 0, 0, static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)};
        answer = cardSide.initializeUpdate(host, challenge, kKey, kKey).data;
    }
    ASSERT_EQ(answer.back(), 0x90);
    answer.pop_back();
    FixedReplies truncated({"0000019000", bytesToHex(answer) + "9000", "9000"});
    const auto fixedHost = [&](std::span<std::uint8_t> out) {
        std::copy(host.begin(), host.end(), out.begin());
        return true;
    };
    EXPECT_EQ(attempt(truncated, kKey, fixedHost), TokenError::Code::authFailed);
    EXPECT_EQ(truncated.sent, 2u);
}
