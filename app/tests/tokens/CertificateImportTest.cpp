#include "tokens/CertificateImport.h"

#include "TestCertificate.h"

#include <QString>
#include <gtest/gtest.h>

namespace {

using orvela::testing::makeCertificateDER;
using orvela::testing::toPem;
using orvela::tokens::certificateValueFromFile;

class CertificateImport : public ::testing::Test {
protected:
    const QByteArray der = makeCertificateDER();
};

TEST_F(CertificateImport, DerIsUsedUnchanged)
{
    EXPECT_EQ(certificateValueFromFile(der), der);
}

TEST_F(CertificateImport, PemIsDecodedWhateverTheLineEnds)
{
    for (const QByteArray& newline :
         {QByteArray("\n"), QByteArray("\r\n"), QByteArray("\r"), QByteArray("\v"),
          QByteArray("\f"), QString(QChar(0x0085)).toUtf8(), QString(QChar(0x2028)).toUtf8(),
          QString(QChar(0x2029)).toUtf8(), QByteArray("\n\n\r\n")}) {
        EXPECT_EQ(certificateValueFromFile(toPem(der, newline)), der)
            << "line end " << newline.toHex().constData();
    }
}

TEST_F(CertificateImport, TextAroundTheMarkersIsDropped)
{
    const QByteArray pem = "-----BEGIN CERTIFICATE-----\n" + der.toBase64() +
                           "\n-----END CERTIFICATE----- trailing words\n";
    EXPECT_EQ(certificateValueFromFile(pem), der);
}

TEST_F(CertificateImport, BrokenBase64KeepsTheRawText)
{
    QByteArray trailingSpace = toPem(der);
    trailingSpace.replace(64 + 28, 1, " \n"); // after the first Base64 line
    ASSERT_TRUE(trailingSpace.contains(" \n"));
    EXPECT_EQ(certificateValueFromFile(trailingSpace), trailingSpace);

    QByteArray unpadded = "-----BEGIN X-----\nQUJD\nRA\n-----END X-----\n";
    EXPECT_EQ(certificateValueFromFile(unpadded), unpadded);
    QByteArray stray = "-----BEGIN X-----\nQU*D\n-----END X-----\n";
    EXPECT_EQ(certificateValueFromFile(stray), stray);
    QByteArray nonAscii = "-----BEGIN X-----\nQUJ\xC3\xA9\n-----END X-----\n";
    EXPECT_EQ(certificateValueFromFile(nonAscii), nonAscii);
}

TEST_F(CertificateImport, OnlyUtf8TextWithABeginMarkerIsDecoded)
{
    const QByteArray noMarker = der.toBase64();
    EXPECT_EQ(certificateValueFromFile(noMarker), noMarker);

    QByteArray notUtf8 = toPem(der);
    notUtf8.append("\xFF\xFE");
    EXPECT_EQ(certificateValueFromFile(notUtf8), notUtf8);

    EXPECT_EQ(certificateValueFromFile("-----BEGIN X-----\nQUJD\n-----END X-----\n"), "ABC");
}

} // namespace
