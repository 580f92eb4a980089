#include "orvela/tokenkit/Der.h"

#include "orvela/tokenkit/CSR.h"

#include <gtest/gtest.h>

namespace {

using namespace orvela::tokenkit;

std::string hex(ByteView bytes)
{
    return bytesToHex(bytes);
}

TEST(Der, LengthUsesTheShortestForm)
{
    EXPECT_EQ(hex(der::encodeLength(0)), "00");
    EXPECT_EQ(hex(der::encodeLength(127)), "7F");
    EXPECT_EQ(hex(der::encodeLength(128)), "8180");
    EXPECT_EQ(hex(der::encodeLength(255)), "81FF");
    EXPECT_EQ(hex(der::encodeLength(256)), "820100");
    EXPECT_EQ(hex(der::encodeLength(65535)), "82FFFF");
    EXPECT_EQ(hex(der::encodeLength(65536)), "83010000");
    EXPECT_EQ(hex(der::encodeLength(0xFFFFFF)), "83FFFFFF");
    EXPECT_THROW(der::encodeLength(0x1000000), std::length_error);
}

TEST(Der, IntegerPadding)
{
    EXPECT_EQ(hex(der::encodeInteger(hexToBytes("80"))), "02020080");
    EXPECT_EQ(hex(der::encodeInteger(hexToBytes("007F"))), "02017F");
    EXPECT_EQ(hex(der::encodeInteger(hexToBytes("000080"))), "02020080");
    EXPECT_EQ(hex(der::encodeInteger(hexToBytes("00"))), "020100");
    EXPECT_EQ(hex(der::encodeInteger(hexToBytes("0000"))), "020100");
    EXPECT_EQ(hex(der::encodeInteger(Bytes{})), "0200");
    EXPECT_EQ(hex(der::encodeInteger(hexToBytes("0102"))), "02020102");
}

TEST(Der, BitStringHasNoUnusedBits)
{
    EXPECT_EQ(hex(der::encodeBitString(hexToBytes("ABCD"))), "030300ABCD");
    EXPECT_EQ(hex(der::encodeBitString(Bytes{})), "030100");
}

TEST(Der, CommonNameOnlyName)
{
    CSR::Subject subject;
    subject.commonName = "AB12345678";
    EXPECT_EQ(hex(CSR::encodeName(subject)),
              "30153113301106035504030C0A" + hex(toBytes(std::string_view("AB12345678"))));
}

TEST(Der, PresentButEmptyFieldsKeepTheirComponent)
{
    CSR::Subject subject;
    subject.country = "";
    EXPECT_EQ(hex(CSR::encodeName(subject)), "3016"
                                             "3109300706035504061300"
                                             "310930070603550403"
                                             "0C00");
}

TEST(Der, NameComponentTags)
{
    CSR::Subject subject;
    subject.commonName = "a";
    subject.email = "e@x";
    subject.organization = "o";
    subject.country = "MN";
    EXPECT_EQ(hex(CSR::encodeName(subject)), "3039"
                                             "310B3009060355040613024D4E"
                                             "310A3008060355040A0C016F"
                                             "310A300806035504030C0161"
                                             "3112301006092A864886F70D0109011603654078");
}

TEST(Der, SubjectPublicKeyInfoOfAPoint)
{
    Bytes point(65, 0x11);
    point[0] = 0x04;
    const Bytes spki = CSR::encodeSubjectPublicKeyInfo(point);
    ASSERT_EQ(spki.size(), 91u);
    EXPECT_EQ(hex(ByteView(spki).first(26)),
              "3059301306072A8648CE3D020106082A8648CE3D030107034200");
    EXPECT_EQ(hex(ByteView(spki).last(65)), hex(point));
}

TEST(Der, CertificationRequestInfoFraming)
{
    CSR::Subject subject;
    subject.commonName = "AB12345678";
    Bytes point(65, 0x22);
    point[0] = 0x04;
    const Bytes info = CSR::encodeCertificationRequestInfo(subject, point);
    const std::string text = hex(info);
    // 3 (version) + 23 (Name) + 91 (key) + 2 (attributes) = 119 bytes of content.
    EXPECT_EQ(text.substr(0, 10), "3077020100");
    EXPECT_EQ(text.substr(text.size() - 4), "A000");
    EXPECT_EQ(info.size(), 121u);
}

TEST(Der, PemLineCutting)
{
    std::string q6ur;
    for (int i = 0; i < 16; ++i) {
        q6ur += "q6ur";
    }
    EXPECT_EQ(der::encodePEM(Bytes(48, 0xAB), "X"),
              "-----BEGIN X-----\n" + q6ur + "\n-----END X-----\n");

    const std::string two = der::encodePEM(Bytes(49, 0xAB), "CERTIFICATE REQUEST");
    const std::string head = "-----BEGIN CERTIFICATE REQUEST-----\n";
    ASSERT_EQ(two.substr(0, head.size()), head);
    const std::string body = two.substr(head.size());
    EXPECT_EQ(body, q6ur + "\nqw==\n-----END CERTIFICATE REQUEST-----\n");
    EXPECT_EQ(two.find('\r'), std::string::npos);
}

TEST(Der, PemOfNothingHasNoBodyLine)
{
    EXPECT_EQ(der::encodePEM(Bytes{}, "X"), "-----BEGIN X-----\n-----END X-----\n");
}

} // namespace
