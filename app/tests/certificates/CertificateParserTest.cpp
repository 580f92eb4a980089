// Certificates read from bytes, text and files, and the report made of what was read.

#include "certificates/CertificateParser.h"

#include "../support/QtPrinters.h"
#include "TestCertificates.h"
#include "certificates/CertificateReport.h"
#include "common/DateFormatter.h"
#include "common/LocalInput.h"
#include "common/LocalizationService.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace orvela::certificates;
using orvela::common::AppLanguage;
using orvela::common::LocalizationService;
using orvela::testing::CertificateSpec;
using orvela::testing::makeCertificate;

namespace {

const CertificateParser service;

CertificateInfo expectInfo(const CertificateResult& result)
{
    if (const auto* error = std::get_if<CertificateError>(&result)) {
        ADD_FAILURE() << "unexpected error: "
                      << certificateErrorText(*error, AppLanguage::en).toStdString();
        return {};
    }
    return std::get<CertificateInfo>(result);
}

/// The error as the person reads it in `language`, or "parsed" when there is none.
QString outcome(const CertificateResult& result, AppLanguage language = AppLanguage::en)
{
    const auto* error = std::get_if<CertificateError>(&result);
    return error ? certificateErrorText(*error, language) : QStringLiteral("parsed");
}

const QString kParseFailure = QStringLiteral("The file could not be read as an X.509 certificate.");
const QString kBadPem = QStringLiteral("The PEM text is not valid Base64.");

CertificateInfo sample()
{
    CertificateInfo info;
    info.subject = QStringLiteral("Citizen");
    info.notBefore = QDateTime(QDate(2026, 1, 5), QTime(10, 11, 12), Qt::UTC);
    info.notAfter = QDateTime(QDate(2027, 1, 5), QTime(10, 11, 12), Qt::UTC);
    info.publicKeyAlgorithm = QStringLiteral("ECDSA");
    info.publicKeyBits = 256;
    return info;
}

class CertificateReportTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QSettings settings{dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat};
    LocalizationService localization{&settings};
};

} // namespace

// Every field of a leaf certificate; the key and digests named and hashed alike for every key
// type, the SPKI value equal to a standard public-key pin.
TEST(CertificateService, ReadsEveryFieldOfALeafCertificateWithEitherKeyType)
{
    CertificateSpec spec;
    spec.keyUsage = QStringLiteral("critical,digitalSignature,nonRepudiation,keyEncipherment");
    spec.extendedKeyUsage =
        QStringLiteral("serverAuth,clientAuth,emailProtection,1.3.6.1.4.1.99999.1");
    spec.subjectAltName =
        QStringLiteral("DNS:eid.example.mn,email:citizen@example.mn,IP:192.0.2.7,IP:2001:db8::1,"
                       "URI:https://example.mn/id");
    spec.notBefore = QDateTime(QDate(2026, 1, 5), QTime(10, 11, 12), Qt::UTC);
    spec.notAfter = QDateTime(QDate(2031, 1, 5), QTime(10, 11, 12), Qt::UTC);
    for (const bool rsa : {false, true}) {
        spec.rsaBits = rsa ? 2048 : 0;
        const QByteArray der = makeCertificate(spec);
        const CertificateInfo info = expectInfo(service.parseDer(der, QStringLiteral("pem")));
        EXPECT_EQ(info.subject, QStringLiteral("Бат-Эрдэнэ Болд"));
        EXPECT_EQ(info.issuer, QStringLiteral("CN=Бат-Эрдэнэ Болд, O=Orvela Test, C=MN"));
        EXPECT_EQ(info.serialNumberHex, QStringLiteral("1234ABCD"));
        EXPECT_EQ(info.notBefore, spec.notBefore);
        EXPECT_EQ(info.notAfter, spec.notAfter);
        EXPECT_EQ(info.keyUsages,
                  QStringList({"Digital Signature", "Non Repudiation", "Key Encipherment"}));
        EXPECT_EQ(info.extendedKeyUsages,
                  QStringList({"TLS Web Server Authentication", "TLS Web Client Authentication",
                               "E-mail Protection", "1.3.6.1.4.1.99999.1"}));
        EXPECT_EQ(
            info.subjectAlternativeNames,
            QStringList({"DNS:eid.example.mn", "email:citizen@example.mn", "IP Address:192.0.2.7",
                         "IP Address:2001:DB8:0:0:0:0:0:1", "URI:https://example.mn/id"}));
        EXPECT_EQ(info.pemSource, QStringLiteral("pem"));
        EXPECT_EQ(info.spkiSha256Base64,
                  QString::fromLatin1(orvela::testing::spkiSha256(der).toBase64()));
        EXPECT_EQ(info.publicKeyBits, rsa ? 2048 : 256);
        EXPECT_EQ(info.publicKeyAlgorithm, rsa ? "RSA" : "ECDSA");
        EXPECT_EQ(info.signatureAlgorithm, rsa ? "sha256WithRSAEncryption" : "ecdsa-with-SHA256");
        EXPECT_EQ(
            info.thumbprintSha1Hex,
            QString::fromLatin1(QCryptographicHash::hash(der, QCryptographicHash::Sha1).toHex()));
    }

    // Without extensions the lists stay empty, and a name without CN shows its last part.
    CertificateSpec bare;
    bare.subject = QStringLiteral("/C=MN/O=Only Organisation");
    const CertificateInfo plain = expectInfo(service.parseDer(makeCertificate(bare), {}));
    EXPECT_EQ(plain.subject, QStringLiteral("Only Organisation"));
    EXPECT_TRUE(plain.keyUsages.isEmpty());
    EXPECT_TRUE(plain.extendedKeyUsages.isEmpty());
    EXPECT_TRUE(plain.subjectAlternativeNames.isEmpty());
}

TEST(CertificateService, PastedTextIsStrictBase64WithOrWithoutMarkers)
{
    const QByteArray der = makeCertificate();
    const QString pem = certificatePem(der);
    QStringList lines = pem.split(u'\n');
    QStringList spaced = lines;
    spaced[1] += u' '; // lines are not trimmed
    const QString bodyOnly = lines.mid(1, lines.size() - 3).join(u'\n');
    QString badChar = pem;
    badChar[40] = u'*';
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("\n  ") + pem, QStringLiteral("parsed")},
        {QString(pem).replace(u'\n', QStringLiteral("\r\n")), QStringLiteral("parsed")},
        {bodyOnly, QStringLiteral("parsed")},
        {QString(), QStringLiteral("Empty PEM input.")},
        {QStringLiteral("   \n\t \r\n "), QStringLiteral("Empty PEM input.")},
        {spaced.join(u'\n'), kBadPem},
        {badChar, kBadPem},
        {QStringLiteral("SGVsbG8="), kParseFailure}, // Base64, but no certificate
        {QStringLiteral("SGVsbG8"), kBadPem},        // padding missing
        {QStringLiteral("SGVsbA"), kBadPem},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(outcome(service.parsePem(text)), expected) << text.toStdString();
    }
    const CertificateInfo fromPem = expectInfo(service.parsePem(pem + "\n"));
    EXPECT_EQ(fromPem.pemSource, pem.trimmed());
    EXPECT_EQ(
        fromPem.thumbprintSha256Hex,
        QString::fromLatin1(QCryptographicHash::hash(der, QCryptographicHash::Sha256).toHex()));
}

TEST(CertificateService, OnlyOneCertificateInARegularFileOfBoundedSizeIsRead)
{
    QTemporaryDir dir;
    const QByteArray der = makeCertificate();
    const QString pem = certificatePem(der);
    const auto write = [&dir](const QString& name, const QByteArray& bytes) {
        return orvela::testing::writeFile(dir.filePath(name), bytes);
    };
    const QString fifo = dir.filePath("fifo.pem"); // no writer: a blocking open never returns
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString large = dir.filePath("large.der");
    {
        QFile file(large);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(orvela::common::inputLimit::certificate + 1)); // sparse, quick
    }
    const QString missing = dir.filePath("missing.pem");
    const std::pair<QString, QString> cases[] = {
        {write("c.cer", der), QStringLiteral("parsed")},
        {write("c.pem", pem.toUtf8()), QStringLiteral("parsed")},
        // A byte above 0x7F in the first 64 bytes makes the file DER, which this PEM is not.
        {write("u.pem", "\xC3\xA9" + pem.toUtf8()), kParseFailure},
        {write("s.pem", "-----BEGIN CERT"), kParseFailure},
        {write("t.der", der + "xx"), kParseFailure},
        {missing, QStringLiteral("File not found: ") + missing},
        {dir.path(), QStringLiteral("Not a regular file: ") + dir.path()},
        {fifo, QStringLiteral("Not a regular file: ") + fifo},
        {QStringLiteral("/dev/zero"), QStringLiteral("Not a regular file: /dev/zero")},
        {large, QStringLiteral("Too large; the most accepted here is 4 MiB: ") + large},
    };
    for (const auto& [path, expected] : cases) {
        EXPECT_EQ(outcome(service.parseFile(path)), expected) << path.toStdString();
    }
    // A DER file is shown back as PEM; the same failure is worded in Mongolian too.
    EXPECT_EQ(expectInfo(service.parseFile(dir.filePath("c.cer"))).pemSource, pem);
    EXPECT_EQ(outcome(service.parseFile(missing), AppLanguage::mn),
              QStringLiteral("Файл олдсонгүй: ") + missing);
}

TEST_F(CertificateReportTest, ValidityAndRemainingTimeFollowTheDatesInclusively)
{
    const CertificateInfo info = sample();
    const std::pair<QDateTime, Validity> cases[] = {
        {info.notBefore.addSecs(-1), Validity::notYetValid},
        {info.notBefore, Validity::valid},
        {info.notAfter, Validity::valid},
        {info.notAfter.addSecs(1), Validity::expired},
    };
    for (const auto& [at, validity] : cases) {
        EXPECT_EQ(validityAt(info, at), validity) << at.toString().toStdString();
    }
    EXPECT_DOUBLE_EQ(info.remainingValidity(info.notAfter.addSecs(-90)).value_or(-1), 90.0);
    EXPECT_DOUBLE_EQ(info.remainingValidity(info.notAfter).value_or(-1), 0.0);
    EXPECT_FALSE(info.remainingValidity(info.notAfter.addSecs(1)).has_value());
    localization.overrideLanguage(AppLanguage::en);
    const CertificateReport report = buildReport(info, localization, info.notAfter.addDays(1));
    EXPECT_EQ(report.validityText, QStringLiteral("Expired"));
    // The dates as every screen writes them, in the interface language.
    EXPECT_EQ(report.sections.value(1).rows.value(0).value,
              orvela::common::DateFormatter().dateTime(info.notBefore, AppLanguage::en));
}

TEST_F(CertificateReportTest, ListSectionsAppearOnlyWithContentAndUsagesAreTranslated)
{
    CertificateInfo info = sample();
    const qsizetype bare = buildReport(info, localization, info.notBefore).sections.size();
    info.keyUsages = QStringList{QStringLiteral("Digital Signature"), QStringLiteral("Future Use")};
    info.subjectAlternativeNames = {QStringLiteral("DNS:a.mn"), QStringLiteral("email:b@c.mn")};
    localization.overrideLanguage(AppLanguage::mn);
    const auto report = buildReport(info, localization, info.notBefore);
    ASSERT_EQ(report.sections.size(), bare + 2);
    // An unnamed usage stays as given; names are one per line.
    EXPECT_EQ(report.sections[bare].rows[0].value, QStringLiteral("Тоон гарын үсэг, Future Use"));
    EXPECT_EQ(report.sections[bare + 1].rows[0].value, QStringLiteral("DNS:a.mn\nemail:b@c.mn"));
}
