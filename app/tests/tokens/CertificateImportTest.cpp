#include "tokens/CertificateImport.h"

#include "TestCertificate.h"

#include <QString>
#include <gtest/gtest.h>

namespace {

using orvela::testing::makeCertificateDER;
using orvela::testing::toPem;
using orvela::tokens::certificateToImport;
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

TEST_F(CertificateImport, BrokenBase64KeepsTheRawTextWhichIsThenNoCertificate)
{
    QByteArray trailingSpace = toPem(der);
    trailingSpace.replace(64 + 28, 1, " \n"); // after the first Base64 line
    ASSERT_TRUE(trailingSpace.contains(" \n"));
    EXPECT_EQ(certificateValueFromFile(trailingSpace), trailingSpace);
    EXPECT_EQ(certificateToImport(trailingSpace), std::nullopt);

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

TEST_F(CertificateImport, OnlyExactlyOneCertificateIsImported)
{
    const QByteArray other = orvela::testing::makeCertificateDER();
    QByteArray badBase64 = toPem(der);
    badBase64.replace(40, 1, "*");
    struct Case {
        const char* what;
        QByteArray file;
        bool imported;
    };
    const Case cases[] = {
        {"DER", der, true},
        {"PEM", toPem(der, "\r\n"), true},
        {"PEM whose Base64 is broken", badBase64, false},
        {"a text file", "subject=CN = AB12345678\nnot a certificate\n", false},
        {"an empty file", QByteArray(), false},
        {"DER with a trailing byte", der + '\0', false},
        {"two DER certificates", der + other, false},
        {"two PEM certificates", toPem(der) + toPem(other), false},
        {"DER cut short", der.chopped(1), false},
    };
    for (const Case& c : cases) {
        const auto value = certificateToImport(c.file);
        EXPECT_EQ(value.has_value(), c.imported) << c.what;
        if (value) {
            EXPECT_EQ(*value, der) << c.what;
        }
    }
}

} // namespace
