#include "orvela/tokenkit/DriverCommands.h"

#include "orvela/tokenkit/TokenError.h"

#include <gtest/gtest.h>

using namespace orvela::tokenkit;

namespace {

std::string hex(const APDUCommand& command)
{
    return bytesToHex(command.buildBuffer());
}

const Bytes kOpenAcl = hexToBytes("FFFF000000000000");

} // namespace

TEST(DriverCommands, EncodeEveryRowOfTheCommandTables)
{
    EXPECT_EQ(hex(DriverCommands::selectApplet()), "00A404000E656E746572736166652D66697073");
    EXPECT_EQ(hex(DriverCommands::getChallenge()), "0084000008");
    EXPECT_EQ(hex(DriverCommands::readLabel()), "00B0000028");
    EXPECT_EQ(hex(DriverCommands::computeDigitalSignature(hexToBytes("0102"))), "002A9E9A020102");
    EXPECT_EQ(hex(DriverCommands::computeRSA(hexToBytes("AA"))), "002A808601AA");
    EXPECT_EQ(hex(DriverCommands::eraseCard()), "800E000000");
    EXPECT_EQ(hex(DriverCommands::installSecretKey(hexToBytes("0102"))), "80E30000020102");
    EXPECT_EQ(hex(DriverCommands::createFile(hexToBytes("6200"))), "80E00000026200");
    EXPECT_EQ(hex(DriverCommands::selectFile(0x3F00)), "00A40000023F00");
    EXPECT_EQ(hex(DriverCommands::generateKeyPair(hexToBytes("30"))), "004600000130");
    EXPECT_EQ(hex(DriverCommands::readBinary(0x01FC, 0xFE)), "00B001FCFE");
    EXPECT_EQ(hex(DriverCommands::updateBinary(0x01E0, hexToBytes("C0FFEE"))), "00D601E003C0FFEE");
}

TEST(DriverCommands, VerifyCarriesTheReferenceAndAlwaysSixteenPinBytes)
{
    EXPECT_EQ(hex(DriverCommands::verify(0x02, DriverCommands::pinBlock(toBytes("1234")))),
              "002000021031323334000000000000000000000000");
    // Twenty characters are cut to the first sixteen.
    EXPECT_EQ(bytesToHex(DriverCommands::pinBlock(toBytes("ABCDEFGHIJKLMNOPQRST"))),
              bytesToHex(toBytes("ABCDEFGHIJKLMNOP")));
    EXPECT_EQ(DriverCommands::pinBlock({}).size(), 16u);
}

TEST(DriverCommands, PinSecretBlockIsSha1ThenLittleEndianLength)
{
    const Bytes block = DriverCommands::pinSecretBlock(toBytes("1234"));
    ASSERT_EQ(block.size(), 24u);
    // SHA-1("1234")
    EXPECT_EQ(bytesToHex(ByteView(block).first(20)), "7110EDA4D09E062AA5E4A390B0A572AC0D2C0220");
    EXPECT_EQ(bytesToHex(ByteView(block).last(4)), "04000000");
    const Bytes longer = DriverCommands::pinSecretBlock(Bytes(300, 'x'));
    EXPECT_EQ(bytesToHex(ByteView(longer).last(4)), "2C010000");
}

TEST(DriverCommands, SecretKeyHeadersFollowTheKeyType)
{
    const Bytes key(16, 0x40);
    const Bytes enc = DriverCommands::secretKeyData(key, 0x01, 0x00, 0x90, 0x90, 0);
    EXPECT_EQ(bytesToHex(ByteView(enc).first(10)), "0100909000000000FF00");
    EXPECT_EQ(enc.size(), 26u);
    EXPECT_EQ(bytesToHex(ByteView(enc).last(16)), bytesToHex(key));

    const Bytes puk = DriverCommands::pinSecretBlock(toBytes("87654321"));
    const Bytes so = DriverCommands::secretKeyData(puk, 0x04, 0x02, 0x98, 0x98, 10);
    EXPECT_EQ(bytesToHex(ByteView(so).first(10)), "0402989898980008FFAA");
    const Bytes user = DriverCommands::secretKeyData(puk, 0x04, 0x01, 0x96, 0x98, 10);
    EXPECT_EQ(bytesToHex(ByteView(user).first(10)), "0401969898980006FFAA");
    // Key type 06 is a PIN too; other types carry no counter.
    const Bytes six = DriverCommands::secretKeyData(puk, 0x06, 0x03, 0x11, 0x22, 3);
    EXPECT_EQ(bytesToHex(ByteView(six).first(10)), "0603112298980008FF33");
    const Bytes mac = DriverCommands::secretKeyData(key, 0x02, 0x01, 0x90, 0x90, 10);
    EXPECT_EQ(bytesToHex(ByteView(mac).first(10)), "0201909000000000FF00");
}

TEST(DriverCommands, KeyPairParameters)
{
    EXPECT_EQ(bytesToHex(DriverCommands::ecKeyParameters(0x01)), "3008040101800113810120");
    EXPECT_EQ(bytesToHex(DriverCommands::rsaKeyParameters(0x02, 2048)), "300804010280010181020800");
}

TEST(DriverCommands, ElementaryFileControlParameters)
{
    const Bytes fcp = DriverCommands::buildEFFCP(0x5032, 128, 0x01, kOpenAcl);
    EXPECT_EQ(bytesToHex(fcp), "62198002008082020100830250328A0101"
                               "8C08FFFF000000000000");
    EXPECT_EQ(fcp.size(), 27u);
    EXPECT_EQ(bytesToHex(DriverCommands::buildEFFCP(0x2F00, 0x0070, 0x04, kOpenAcl)),
              "621980020070820204008302"
              "2F008A01018C08FFFF000000000000");
    EXPECT_EQ(bytesToHex(DriverCommands::buildEFFCP(0x4404, 512, 0x01, {})),
              "621180020200820201008302"
              "44048A01018C00");
}

TEST(DriverCommands, DirectoryFileControlParameters)
{
    const Bytes appAcl = hexToBytes("FFFF044444444444");
    const Bytes aid = toBytes("entersafe-fips");
    EXPECT_EQ(bytesToHex(DriverCommands::buildDFFCP(0x5015, 0x3E80, aid, appAcl)),
              "6229"
              "80023E80"
              "82023800"
              "83025015"
              "840E656E746572736166652D66697073"
              "8A0101"
              "8C08FFFF044444444444");
    // Without a name the 84 object is left out.
    EXPECT_EQ(bytesToHex(DriverCommands::buildDFFCP(0x5015, 0x3E80, {}, appAcl)),
              "6219"
              "80023E80"
              "82023800"
              "83025015"
              "8A0101"
              "8C08FFFF044444444444");
}

TEST(DriverCommands, TemplatesThatCannotFitOneLengthByteAreRefused)
{
    const Bytes acl239(239, 0x00);
    const Bytes acl238(238, 0x00);
    EXPECT_THROW(DriverCommands::buildEFFCP(0x5032, 1, 0x01, Bytes(256, 0)), TokenError);
    // The ACL fits its own length byte but the template no longer fits the 62 length byte.
    EXPECT_THROW(DriverCommands::buildEFFCP(0x5032, 1, 0x01, acl239), TokenError);
    EXPECT_EQ(DriverCommands::buildEFFCP(0x5032, 1, 0x01, acl238).size(), 257u);
    EXPECT_THROW(DriverCommands::buildDFFCP(0x5015, 1, Bytes(256, 0x41), kOpenAcl), TokenError);
    EXPECT_THROW(DriverCommands::buildDFFCP(0x5015, 1, Bytes(240, 0x41), kOpenAcl), TokenError);
}

TEST(DriverCommands, PayloadsOfAFullShortApduAreTheLimit)
{
    EXPECT_NO_THROW(DriverCommands::computeDigitalSignature(Bytes(255, 1)));
    EXPECT_THROW(DriverCommands::computeDigitalSignature(Bytes(256, 1)), TokenError);
    EXPECT_THROW(DriverCommands::updateBinary(0, Bytes(256, 1)), TokenError);
}
