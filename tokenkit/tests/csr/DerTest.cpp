#include "orvela/tokenkit/Der.h"

#include "orvela/tokenkit/CSR.h"

#include <gtest/gtest.h>

namespace {

using namespace orvela::tokenkit;

TEST(Der, EncodingsAreTheShortestAndExact)
{
    Bytes point(65, 0x11);
    point[0] = 0x04;
    const std::vector<std::pair<Bytes, std::string>> cases{
        {der::encodeLength(0), "00"},
        {der::encodeLength(127), "7F"},
        {der::encodeLength(128), "8180"},
        {der::encodeLength(255), "81FF"},
        {der::encodeLength(256), "820100"},
        {der::encodeLength(65535), "82FFFF"},
        {der::encodeLength(65536), "83010000"},
        {der::encodeLength(0xFFFFFF), "83FFFFFF"},
        {der::encodeInteger(hexToBytes("80")), "02020080"},
        {der::encodeInteger(hexToBytes("007F")), "02017F"},
        {der::encodeInteger(hexToBytes("000080")), "02020080"},
        {der::encodeInteger(hexToBytes("00")), "020100"},
        {der::encodeInteger(hexToBytes("0000")), "020100"},
        {der::encodeInteger(Bytes{}), "0200"},
        {der::encodeInteger(hexToBytes("0102")), "02020102"},
        {der::encodeBitString(hexToBytes("ABCD")), "030300ABCD"},
        {der::encodeBitString(Bytes{}), "030100"},
        // Country PrintableString, then organization, common name, e-mail IA5String.
        {CSR::encodeName({"a", "o", "MN", "e@x"}),
         "3039310B3009060355040613024D4E310A3008060355040A0C016F310A300806035504030C0161"
         "3112301006092A864886F70D0109011603654078"},
        // A field that is present but empty keeps its component.
        {CSR::encodeName({"", {}, "", {}}), "30163109300706035504061300310930070603550403"
                                            "0C00"},
        {CSR::encodeSubjectPublicKeyInfo(point),
         "3059301306072A8648CE3D020106082A8648CE3D030107034200" + bytesToHex(point)},
        // Version 0, then the name, the key and an empty attribute set: 119 bytes of content.
        {CSR::encodeCertificationRequestInfo({"AB12345678", {}, {}, {}}, point),
         "3077020100" + bytesToHex(CSR::encodeName({"AB12345678", {}, {}, {}})) +
             bytesToHex(CSR::encodeSubjectPublicKeyInfo(point)) + "A000"},
    };
    for (const auto& [encoded, expected] : cases) {
        EXPECT_EQ(bytesToHex(encoded), expected);
    }
    EXPECT_THROW(der::encodeLength(0x1000000), std::length_error);
}

TEST(Der, PemCutsLinesAtSixtyFourCharacters)
{
    const std::string q6ur = "q6urq6urq6urq6urq6urq6urq6urq6urq6urq6urq6urq6urq6urq6urq6urq6ur";
    EXPECT_EQ(der::encodePEM(Bytes(48, 0xAB), "X"),
              "-----BEGIN X-----\n" + q6ur + "\n-----END X-----\n");
    EXPECT_EQ(der::encodePEM(Bytes(49, 0xAB), "CERTIFICATE REQUEST"),
              "-----BEGIN CERTIFICATE REQUEST-----\n" + q6ur +
                  "\nqw==\n-----END CERTIFICATE REQUEST-----\n");
    EXPECT_EQ(der::encodePEM(Bytes{}, "X"), "-----BEGIN X-----\n-----END X-----\n");
}

} // namespace
