#include "orvela/tokenkit/APDUCommand.h"
#include "orvela/tokenkit/APDUResponse.h"
#include "orvela/tokenkit/APDUTransceiver.h"
#include "orvela/tokenkit/TokenError.h"

#include <gtest/gtest.h>

using namespace orvela::tokenkit;

namespace {

Bytes filled(std::size_t n, std::uint8_t value = 0x31)
{
    return Bytes(n, value);
}

TokenError::Code codeOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const TokenError& e) {
        return e.code();
    }
    ADD_FAILURE() << "no TokenError thrown";
    return TokenError::Code::transmitFailed;
}

} // namespace

TEST(APDUCommand, EncodesEachCase)
{
    EXPECT_EQ(APDUCommand(0x00, 0x84, 0x00, 0x00, std::nullopt, 8).buildBuffer(),
              hexToBytes("0084000008"));
    EXPECT_EQ(APDUCommand(0x00, 0xA4, 0x04, 0x00).buildBuffer(), hexToBytes("00A40400"));
    EXPECT_EQ(APDUCommand(0x00, 0xA4, 0x04, 0x00, Bytes{}).buildBuffer(),
              hexToBytes("00A4040000"));

    const APDUCommand select(0x00, 0xA4, 0x04, 0x00, filled(14, 0xA0));
    const Bytes wire = select.buildBuffer();
    ASSERT_EQ(wire.size(), 19u);
    EXPECT_EQ(wire[4], 14);
    EXPECT_EQ(wire.back(), 0xA0); // no trailing Le

    const Bytes case4 = APDUCommand(0x00, 0x2A, 0x9E, 0x9A, filled(32), 0x40).buildBuffer();
    ASSERT_EQ(case4.size(), 38u);
    EXPECT_EQ(case4[4], 32);
    EXPECT_EQ(case4.back(), 0x40);
}

TEST(APDUCommand, PayloadLimitIs255Bytes)
{
    const APDUCommand largest(0x00, 0xD6, 0x00, 0x00, filled(255));
    EXPECT_EQ(largest.lc(), 0xFF);
    EXPECT_EQ(largest.buildBuffer().size(), 260u);
    EXPECT_EQ(codeOf([] { APDUCommand(0x00, 0xD6, 0x00, 0x00, filled(256)); }),
              TokenError::Code::invalidAPDU);
}

TEST(APDUCommand, ParsesHexCases)
{
    const auto case1 = APDUCommand::fromHex("00A40400");
    EXPECT_FALSE(case1.payload().has_value());
    EXPECT_EQ(case1.le(), 0);

    const auto case2 = APDUCommand::fromHex("00B0000028");
    EXPECT_FALSE(case2.payload().has_value());
    EXPECT_EQ(case2.le(), 0x28);

    const auto case3 = APDUCommand::fromHex("00 A4 04 00 02 3F 00");
    ASSERT_TRUE(case3.payload().has_value());
    EXPECT_EQ(*case3.payload(), (Bytes{0x3F, 0x00}));
    EXPECT_EQ(case3.le(), 0);

    const auto case4 = APDUCommand::fromHex("00:a4:04:00:02:3f:00:00");
    EXPECT_EQ(case4.le(), 0);
    EXPECT_EQ(case4.buildBuffer(), hexToBytes("00A40400023F00"));
    const auto case4le = APDUCommand::fromHex("00A40400023F0010");
    EXPECT_EQ(case4le.le(), 0x10);

    const auto emptyPayload = APDUCommand::fromHex("00A4040000");
    EXPECT_EQ(emptyPayload.le(), 0x00);
    EXPECT_FALSE(emptyPayload.payload().has_value()); // five bytes: byte 4 is Le

    const auto lcZero = APDUCommand::fromHex("00A404000000");
    ASSERT_TRUE(lcZero.payload().has_value()); // six bytes: byte 4 is Lc, even when 0
    EXPECT_TRUE(lcZero.payload()->empty());
}

TEST(APDUCommand, RejectsMalformedHex)
{
    for (const char* text : {"", "00A404", "00B000002800", "0G", "ABC", "00A40400033F00"}) {
        EXPECT_EQ(codeOf([&] { APDUCommand::fromHex(text); }), TokenError::Code::invalidAPDU)
            << text;
    }
}

TEST(APDUCommand, DescriptionNeverShowsThePayload)
{
    const APDUCommand verify(0x00, 0x20, 0x00, 0x02, toBytes(std::string_view("1234567890ABCDEF")));
    EXPECT_EQ(verify.redactedDescription(),
              "CLA=00 INS=20 P1=00 P2=02 Lc=10 Data=<redacted:16B> Le=00");
    EXPECT_EQ(verify.redactedDescription().find("31"), std::string::npos);
    EXPECT_EQ(APDUCommand(0x00, 0x84, 0x00, 0x00, std::nullopt, 8).redactedDescription(),
              "CLA=00 INS=84 P1=00 P2=00 Le=08");
}

TEST(APDUResponse, SplitsRawReplies)
{
    const auto oneByte = APDUResponse::fromFullData(Bytes{0x90});
    EXPECT_EQ(oneByte.hexStatus(), "6F00");
    EXPECT_FALSE(oneByte.data().has_value());
    EXPECT_EQ(APDUResponse::fromFullData(Bytes{}).status(), 0x6F00);

    const auto bare = APDUResponse::fromFullData(Bytes{0x90, 0x00});
    EXPECT_TRUE(bare.isSuccess());
    EXPECT_FALSE(bare.data().has_value());

    const auto withData = APDUResponse::fromFullData(Bytes{0x01, 0x02, 0x90, 0x00});
    ASSERT_TRUE(withData.data().has_value());
    EXPECT_EQ(*withData.data(), (Bytes{0x01, 0x02}));
    EXPECT_EQ(withData.status(), 0x9000);
}

TEST(APDUResponse, OnlyNineThousandIsSuccess)
{
    for (int sw : {0x6300, 0x9001, 0x6100, 0x6A82, 0x0090}) {
        const APDUResponse r(std::nullopt, static_cast<std::uint8_t>(sw >> 8),
                             static_cast<std::uint8_t>(sw & 0xFF));
        EXPECT_FALSE(r.isSuccess()) << r.hexStatus();
    }
    EXPECT_EQ(APDUResponse(std::nullopt, 0x6a, 0x82).hexStatus(), "6A82");
}

TEST(APDUResponse, DescriptionAndWipe)
{
    APDUResponse r(filled(65, 0x04), 0x90, 0x00);
    EXPECT_EQ(r.description(), "APDUResponse(SW=9000, data=<65B>)");
    r.wipe();
    EXPECT_FALSE(r.data().has_value());
    EXPECT_EQ(r.description(), "APDUResponse(SW=9000, data=<0B>)");
}

namespace {

/// Records what it was sent and answers with a fixed reply, or throws a platform error.
class ScriptedCard : public SmartCard {
public:
    Bytes reply;
    bool fail = false;
    std::vector<Bytes> sent;

    Bytes transmit(ByteView command) override
    {
        sent.push_back(toBytes(command));
        if (fail) {
            throw std::runtime_error("platform failure");
        }
        return reply;
    }
    Bytes atr() override { return {}; }
};

} // namespace

TEST(APDUTransceiver, SendsWireFormAndParsesReply)
{
    ScriptedCard card;
    card.reply = hexToBytes("0102039000");
    const auto r = APDUTransceiver::transmit(APDUCommand(0x00, 0x84, 0x00, 0x00, std::nullopt, 8),
                                             card);
    ASSERT_EQ(card.sent.size(), 1u);
    EXPECT_EQ(card.sent[0], hexToBytes("0084000008"));
    EXPECT_EQ(*r.data(), (Bytes{1, 2, 3}));

    card.reply = hexToBytes("6C08");
    EXPECT_EQ(APDUTransceiver::transmit("00B0000028FF", card).status(), 0x6C08);
    EXPECT_EQ(card.sent[1], hexToBytes("00B0000028FF")); // sent as it stands, not parsed
}

TEST(APDUTransceiver, RefusesBadHexAndPassesPlatformErrorsOn)
{
    ScriptedCard card;
    EXPECT_EQ(codeOf([&] { APDUTransceiver::transmit(std::string_view("zz"), card); }),
              TokenError::Code::invalidAPDU);
    EXPECT_TRUE(card.sent.empty());

    card.fail = true;
    EXPECT_THROW(APDUTransceiver::transmit("00A40400", card), std::runtime_error);
}
