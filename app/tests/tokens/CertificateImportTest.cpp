#include "tokens/CertificateImport.h"

#include "TestCertificates.h"

#include <QString>
#include <gtest/gtest.h>

namespace {

using orvela::tokens::certificateToImport;

QByteArray toPem(const QByteArray& der, const QByteArray& newline = "\n")
{
    const QByteArray base64 = der.toBase64();
    QByteArray pem = "-----BEGIN CERTIFICATE-----" + newline;
    for (qsizetype at = 0; at < base64.size(); at += 64) {
        pem += base64.mid(at, 64) + newline;
    }
    return pem + "-----END CERTIFICATE-----" + newline;
}

TEST(CertificateImport, OnlyTheFilesOneCertificateIsImported)
{
    const QByteArray der = orvela::testing::makeCertificate();
    const QByteArray other = orvela::testing::makeCertificate();
    const qsizetype firstLineEnd = 28 + 64; // after the first line of Base64
    struct Case {
        const char* what;
        QByteArray file;
        bool imported;
    };
    std::vector<Case> cases = {
        {"DER", der, true},
        {"PEM with words after its end marker",
         "-----BEGIN CERTIFICATE-----\n" + der.toBase64() + "\n-----END CERTIFICATE----- ok\n",
         true},
        {"PEM with a blank line", toPem(der).replace(firstLineEnd, 1, "\n\n\r\n"), true},
        {"PEM with a trailing space", toPem(der).replace(firstLineEnd, 1, " \n"), false},
        {"PEM with a stray character", toPem(der).replace(firstLineEnd, 1, "*\n"), false},
        {"PEM with a Latin letter", toPem(der).replace(firstLineEnd, 1, "\xC3\xA9\n"), false},
        {"PEM followed by bytes that are no UTF-8", toPem(der) + "\xFF\xFE", false},
        {"Base64 without markers", der.toBase64(), false},
        {"a text file", "subject=CN = AB12345678\nnot a certificate\n", false},
        {"an empty file", QByteArray(), false},
        {"DER with a trailing byte", der + '\0', false},
        {"two DER certificates", der + other, false},
        {"two PEM certificates", toPem(der) + toPem(other), false},
        {"PEM and an empty block after it",
         toPem(der) + "-----BEGIN CERTIFICATE-----\n-----END CERTIFICATE-----\n", false},
        {"an empty block, then PEM",
         "-----BEGIN CERTIFICATE-----\n-----END CERTIFICATE-----\n" + toPem(der), false},
        {"the certificate under CRL armour",
         toPem(der)
             .replace("BEGIN CERTIFICATE", "BEGIN X509 CRL")
             .replace("END CERTIFICATE", "END X509 CRL"),
         false},
        {"DER cut short", der.chopped(1), false},
    };
    // Every line end a text editor may write.
    for (const char* newline : {"\n", "\r\n", "\r", "\v", "\f", "\u0085", "\u2028", "\u2029"}) {
        cases.push_back({"PEM with another line end", toPem(der, newline), true});
    }
    for (const Case& c : cases) {
        const auto value = certificateToImport(c.file);
        EXPECT_EQ(value.has_value(), c.imported) << c.what << " " << c.file.toHex().left(40).data();
        if (value) {
            EXPECT_EQ(*value, der) << c.what;
        }
    }
}

} // namespace
