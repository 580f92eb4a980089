#include "CardSideChannel.h"
#include "SymmetricCrypto.h"
#include "orvela/tokenkit/SecureMessaging.h"
#include "orvela/tokenkit/TokenError.h"

#include <gtest/gtest.h>

using namespace orvela::tokenkit;
using orvela::testing::CardSideChannel;
using Mode = CardSideChannel::Mode;

namespace {

const Bytes kEncKey = hexToBytes("404142434445464748494A4B4C4D4E4F");
const Bytes kMacKey = hexToBytes("505152535455565758595A5B5C5D5E5F");

SecureMessaging::RandomSource fixedRandom(std::string_view hex)
{
    return [bytes = hexToBytes(hex)](std::span<std::uint8_t> out) {
        std::copy(bytes.begin(), bytes.begin() + static_cast<long>(out.size()), out.begin());
        return true;
    };
}

std::optional<TokenError> errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const TokenError& e) {
        return e;
    }
    return std::nullopt;
}

/// A transmitter that answers every command with a fixed reply.
class FixedReplies : public CardTransmitter {
public:
    std::vector<Bytes> replies;
    std::size_t next = 0;
    Bytes transmitRaw(ByteView) override { return replies.at(next++); }
};

class ChannelModes : public ::testing::TestWithParam<Mode> {};

} // namespace

TEST_P(ChannelModes, AuthenticatesAndRunsProtectedCommands)
{
    CardSideChannel card(GetParam(), kEncKey, kMacKey);
    SecureMessaging sm;
    sm.mutualAuth(card, kEncKey, kMacKey);

    ASSERT_TRUE(sm.isEstablished());
    ASSERT_TRUE(card.established);
    EXPECT_EQ(sm.isFIPS(), GetParam() == Mode::aesFips);
    EXPECT_EQ(sm.keyType(), GetParam() == Mode::des ? SecureMessaging::KeyEncType::des
                                                    : SecureMessaging::KeyEncType::aes);
    // INITIALIZE UPDATE asks for 29 bytes from a FIPS card, 28 otherwise.
    ASSERT_GE(card.received.size(), 3u);
    EXPECT_EQ(card.received[1].back(), GetParam() == Mode::aesFips ? 0x1D : 0x1C);

    // A run of commands with and without data and Le: the card checks every MAC and counter
    // value, and decrypts what was sent. 300 commands take the AES counter over a byte carry.
    card.responseData = hexToBytes("3082010A0282010100C0FFEE");
    for (int i = 0; i < 300; ++i) {
        Bytes data(static_cast<std::size_t>(i % 40), static_cast<std::uint8_t>(i));
        const std::optional<std::uint8_t> le =
            i % 3 == 0 ? std::optional<std::uint8_t>(0xFE) : std::nullopt;
        const Bytes wrapped =
            sm.wrapAPDU(0x00, 0xD6, 0x00, static_cast<std::uint8_t>(i), data, le);
        const auto reply = sm.unwrapResponse(card.transmitRaw(wrapped));
        ASSERT_EQ(card.macFailures, 0) << "command " << i;
        EXPECT_EQ(card.lastPlaintext, data);
        EXPECT_EQ(card.lastLe, le);
        EXPECT_EQ(reply.data, card.responseData);
        EXPECT_EQ(reply.sw1, 0x90);
    }
    EXPECT_EQ(card.commandsAccepted, 300);
}

TEST_P(ChannelModes, CommandsOutOfOrderAreRefusedByTheCard)
{
    CardSideChannel card(GetParam(), kEncKey, kMacKey);
    SecureMessaging sm;
    sm.mutualAuth(card, kEncKey, kMacKey);
    const Bytes first = sm.wrapAPDU(0x00, 0x20, 0x00, 0x02, Bytes(16, 0x31), std::nullopt);
    const Bytes second = sm.wrapAPDU(0x00, 0x20, 0x00, 0x02, Bytes(16, 0x31), std::nullopt);
    EXPECT_NE(first, second); // the counter moved, so the MAC differs
    const auto reply = sm.unwrapResponse(card.transmitRaw(second));
    EXPECT_EQ(reply.sw1 << 8 | reply.sw2, 0x6988);
    EXPECT_EQ(card.macFailures, 1);
}

TEST_P(ChannelModes, TamperedCardCryptogramOrRefusedAuthenticationFails)
{
    CardSideChannel tampered(GetParam(), kEncKey, kMacKey);
    tampered.tamperCardCryptogram = true;
    SecureMessaging sm;
    auto error = errorOf([&] { sm.mutualAuth(tampered, kEncKey, kMacKey); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), TokenError::Code::authFailed);
    EXPECT_FALSE(sm.isEstablished());
    EXPECT_EQ(tampered.received.size(), 2u); // EXTERNAL AUTHENTICATE never sent

    CardSideChannel refusing(GetParam(), kEncKey, kMacKey);
    refusing.refuseExternalAuthenticate = true;
    SecureMessaging sm2;
    error = errorOf([&] { sm2.mutualAuth(refusing, kEncKey, kMacKey); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), TokenError::Code::authFailed);
    EXPECT_FALSE(sm2.isEstablished());
    EXPECT_FALSE(sm2.sessionKeyEnc().empty()); // keys stay derived, the channel stays closed
    EXPECT_TRUE(errorOf([&] { sm2.wrapAPDU(0, 0x20, 0, 2, std::nullopt, std::nullopt); }));
}

TEST_P(ChannelModes, WrongStaticKeyIsCaughtByTheCryptogram)
{
    CardSideChannel card(GetParam(), kEncKey, kMacKey);
    SecureMessaging sm;
    const auto error = errorOf([&] { sm.mutualAuth(card, kMacKey, kMacKey); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), TokenError::Code::authFailed);
}

TEST_P(ChannelModes, LargestCommandFitsAndOneMoreIsRefusedBeforeTheCounterMoves)
{
    CardSideChannel card(GetParam(), kEncKey, kMacKey);
    SecureMessaging sm;
    sm.mutualAuth(card, kEncKey, kMacKey);
    for (const bool withLe : {false, true}) {
        const std::size_t largest = SecureMessaging::maxWrappedDataLength(sm.keyType(), withLe);
        const std::optional<std::uint8_t> le =
            withLe ? std::optional<std::uint8_t>(0) : std::nullopt;
        const Bytes icvBefore = sm.icvMac();
        const auto error =
            errorOf([&] { sm.wrapAPDU(0x00, 0xD6, 0, 0, Bytes(largest + 1, 0x42), le); });
        ASSERT_TRUE(error);
        EXPECT_EQ(error->code(), TokenError::Code::invalidAPDU);
        EXPECT_EQ(sm.icvMac(), icvBefore);

        const Bytes wrapped = sm.wrapAPDU(0x00, 0xD6, 0, 0, Bytes(largest, 0x42), le);
        EXPECT_LE(wrapped[4], 255);
        EXPECT_EQ(wrapped.size(), wrapped[4] + 6u);
        sm.unwrapResponse(card.transmitRaw(wrapped));
        EXPECT_EQ(card.lastPlaintext, Bytes(largest, 0x42));
    }
    EXPECT_EQ(card.macFailures, 0);
}

INSTANTIATE_TEST_SUITE_P(AllCards, ChannelModes,
                         ::testing::Values(Mode::des, Mode::aes, Mode::aesFips),
                         [](const auto& param) {
                             switch (param.param) {
                             case Mode::des:
                                 return "TripleDes";
                             case Mode::aes:
                                 return "Aes";
                             case Mode::aesFips:
                                 return "AesFips";
                             }
                             return "";
                         });

TEST(SecureMessaging, WrappedLayoutUnderAes)
{
    CardSideChannel card(Mode::aes, kEncKey, kMacKey);
    SecureMessaging sm(fixedRandom("0102030405060708"));
    sm.mutualAuth(card, kEncKey, kMacKey);

    // VERIFY with a 16-byte PIN block: DO87 of 1 + 32 bytes, no DO97, DO8E, final Le 00.
    const Bytes verify = sm.wrapAPDU(0x00, 0x20, 0x00, 0x02, Bytes(16, 0x31), std::nullopt);
    ASSERT_EQ(verify.size(), 5u + 0x2D + 1u);
    EXPECT_EQ(bytesToHex(ByteView(verify).first(8)), "0C2000022D872101");
    EXPECT_EQ(verify[5 + 35], 0x8E);
    EXPECT_EQ(verify[5 + 36], 0x08);
    EXPECT_EQ(verify.back(), 0x00);
    EXPECT_EQ(ByteView(verify).subspan(5 + 37, 8).size(), 8u);
    EXPECT_TRUE(std::equal(sm.icvMac().begin(), sm.icvMac().begin() + 8, verify.begin() + 42));

    // No data, Le 00: body 97 01 00 8E 08 MAC.
    const Bytes read = sm.wrapAPDU(0x00, 0xB0, 0x00, 0x00, std::nullopt, 0x00);
    EXPECT_EQ(bytesToHex(ByteView(read).first(10)), "0CB000000D970100" "8E08");
    EXPECT_EQ(read.size(), 5u + 13u + 1u);

    // Present but empty data is sent like no data.
    const Bytes erase = sm.wrapAPDU(0x80, 0x0E, 0x00, 0x00, Bytes{}, std::nullopt);
    EXPECT_EQ(bytesToHex(ByteView(erase).first(7)), "8C0E00000A8E08");
}

TEST(SecureMessaging, CounterAdvancesTheRightByte)
{
    CardSideChannel aesCard(Mode::aes, kEncKey, kMacKey);
    SecureMessaging aes;
    aes.mutualAuth(aesCard, kEncKey, kMacKey);
    EXPECT_EQ(bytesToHex(ByteView(aes.icvMac()).subspan(8)), "0000000000000000");
    aes.wrapAPDU(0x00, 0x84, 0, 0, std::nullopt, 8);
    EXPECT_EQ(bytesToHex(ByteView(aes.icvMac()).subspan(8)), "0000000000000001");
    aes.wrapAPDU(0x00, 0x84, 0, 0, std::nullopt, 8);
    EXPECT_EQ(bytesToHex(ByteView(aes.icvMac()).subspan(8)), "0000000000000002");

    CardSideChannel desCard(Mode::des, kEncKey, kMacKey);
    SecureMessaging des;
    des.mutualAuth(desCard, kEncKey, kMacKey);
    des.wrapAPDU(0x00, 0x84, 0, 0, std::nullopt, 8);
    EXPECT_EQ(bytesToHex(ByteView(des.icvMac()).subspan(8)), "0000000000000000");
}

TEST(SecureMessaging, ProbeDecidesTheMode)
{
    // Data not starting 80 01 01 is never FIPS; the cipher follows D[2] alone.
    const auto run = [](std::string_view probe) {
        FixedReplies card;
        card.replies = {hexToBytes(probe), hexToBytes("6A88")};
        SecureMessaging sm;
        const auto error = errorOf([&] { sm.mutualAuth(card, kEncKey, kMacKey); });
        EXPECT_TRUE(error && error->code() == TokenError::Code::unexpectedStatus &&
                    error->status() == 0x6A88);
        return std::pair(sm.isFIPS(), sm.keyType() == SecureMessaging::KeyEncType::aes);
    };
    EXPECT_EQ(run("0000019000"), std::pair(false, true));
    EXPECT_EQ(run("8001029000"), std::pair(false, false));
    EXPECT_EQ(run("9000"), std::pair(false, false));
    const std::string fips = "800101" + std::string(58, '0') + "870101" + "9000";
    EXPECT_EQ(run(fips), std::pair(true, true));
    std::string notQuiteFips = fips;
    notQuiteFips[65] = '2'; // 87 01 02 at byte 32
    EXPECT_EQ(run(notQuiteFips), std::pair(false, true));
}

TEST(SecureMessaging, MalformedAuthenticationRepliesAreRefused)
{
    const std::string shortAnswer = "9000";                                // no data at all
    const std::string truncated = std::string(27 * 2, '0') + "9000";       // 27 of 28 bytes
    for (const auto& reply : {std::string("90"), shortAnswer, truncated}) {
        FixedReplies card;
        card.replies = {hexToBytes("6A82"), hexToBytes(reply)};
        SecureMessaging sm;
        const auto error = errorOf([&] { sm.mutualAuth(card, kEncKey, kMacKey); });
        ASSERT_TRUE(error) << reply;
        EXPECT_EQ(error->code(), TokenError::Code::authFailed) << reply;
    }

    SecureMessaging failingRandom([](std::span<std::uint8_t>) { return false; });
    FixedReplies card;
    card.replies = {hexToBytes("6A82")};
    const auto error = errorOf([&] { failingRandom.mutualAuth(card, kEncKey, kMacKey); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), TokenError::Code::authFailed);
    EXPECT_EQ(card.next, 1u); // nothing after the probe was sent

    CardSideChannel realCard(Mode::aes, kEncKey, kMacKey);
    SecureMessaging badKey;
    const auto keyError = errorOf([&] { badKey.mutualAuth(realCard, Bytes(15, 1), kMacKey); });
    ASSERT_TRUE(keyError);
    EXPECT_EQ(keyError->code(), TokenError::Code::secureMessagingFailed);
}

TEST(SecureMessaging, WrapBeforeTheChannelIsUpFails)
{
    SecureMessaging sm;
    const auto error = errorOf([&] { sm.wrapAPDU(0x00, 0x20, 0, 2, Bytes(16), std::nullopt); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), TokenError::Code::secureMessagingFailed);
}

TEST(SecureMessaging, UnwrapHandlesStatusesAndRefusesMalformedBodies)
{
    CardSideChannel card(Mode::aes, kEncKey, kMacKey);
    SecureMessaging sm;
    sm.mutualAuth(card, kEncKey, kMacKey);

    auto r = sm.unwrapResponse(hexToBytes("6A82"));
    EXPECT_TRUE(r.data.empty());
    EXPECT_EQ(r.sw1 << 8 | r.sw2, 0x6A82);
    r = sm.unwrapResponse(hexToBytes("9000"));
    EXPECT_TRUE(r.data.empty());
    EXPECT_EQ(r.sw1, 0x90);

    // A DO87 whose plaintext carries no valid padding comes back whole.
    const Bytes noPadding(16, 0x33);
    Bytes reply{0x99, 0x02, 0x90, 0x00, 0x87, 0x11, 0x01};
    append(reply, crypto::aesCbc(sm.sessionKeyEnc(), Bytes(16, 0), noPadding, true));
    append(reply, hexToBytes("8E0811223344556677889000"));
    r = sm.unwrapResponse(reply);
    EXPECT_EQ(r.data, noPadding);

    // Objects whose length runs past the body, an empty DO87, a cryptogram that is not whole
    // blocks, and a reply without status are refused rather than read.
    for (const char* bad : {"8710019000", "87000100009000", "991090009000", "8E9000",
                            "870501AABBCCDD9000", "90"}) {
        const auto error = errorOf([&] { sm.unwrapResponse(hexToBytes(bad)); });
        ASSERT_TRUE(error) << bad;
        EXPECT_EQ(error->code(), TokenError::Code::secureMessagingFailed) << bad;
    }
}
