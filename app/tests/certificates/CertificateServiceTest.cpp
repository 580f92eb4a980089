#include "TestCertificates.h"
#include "../support/QtPrinters.h"
#include "certificates/CertificateServiceImpl.h"
#include "common/LocalInput.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace orvela::certificates;
using orvela::api::ApiError;
using orvela::api::ApiErrorCode;
using orvela::testing::CertificateSpec;
using orvela::testing::makeCertificate;

namespace {

const CertificateServiceImpl service;

CertificateInfo expectInfo(const CertificateResult& result)
{
    if (const auto* error = std::get_if<ApiError>(&result)) {
        ADD_FAILURE() << "unexpected error: " << error->message.toStdString();
        return {};
    }
    return std::get<CertificateInfo>(result);
}

ApiError expectError(const CertificateResult& result)
{
    if (std::holds_alternative<CertificateInfo>(result)) {
        ADD_FAILURE() << "parsed, but an error was expected";
        return {};
    }
    return std::get<ApiError>(result);
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

const QString kParseFailure = QStringLiteral("Файлыг X.509 болгож parse хийж чадсангүй.");
const QString kBadPem = QStringLiteral("PEM формат буруу байна.");

} // namespace

TEST(CertificateService, ReadsEveryFieldOfALeafCertificate)
{
    CertificateSpec spec;
    spec.keyUsage = QStringLiteral("critical,digitalSignature,nonRepudiation,keyEncipherment");
    spec.extendedKeyUsage = QStringLiteral("serverAuth,clientAuth,emailProtection,1.3.6.1.4.1.99999.1");
    spec.subjectAltName = QStringLiteral(
        "DNS:eid.example.mn,email:citizen@example.mn,IP:192.0.2.7,IP:2001:db8::1,"
        "URI:https://example.mn/id");
    spec.notBefore = QDateTime(QDate(2026, 1, 5), QTime(10, 11, 12), Qt::UTC);
    spec.notAfter = QDateTime(QDate(2031, 1, 5), QTime(10, 11, 12), Qt::UTC);
    const QByteArray der = makeCertificate(spec);

    const CertificateInfo info = expectInfo(service.parseDer(der, QStringLiteral("pem")));
    EXPECT_EQ(info.subject, QStringLiteral("Бат-Эрдэнэ Болд"));
    EXPECT_EQ(info.issuer, QStringLiteral("CN=Бат-Эрдэнэ Болд, O=Orvela Test, C=MN"));
    EXPECT_EQ(info.serialNumberHex, QStringLiteral("1234ABCD"));
    EXPECT_EQ(info.notBefore, spec.notBefore);
    EXPECT_EQ(info.notAfter, spec.notAfter);
    EXPECT_EQ(info.signatureAlgorithm, QStringLiteral("ecdsa-with-SHA256"));
    EXPECT_EQ(info.publicKeyAlgorithm, QStringLiteral("ECDSA"));
    EXPECT_EQ(info.publicKeyBits, 256);
    EXPECT_EQ(info.keyUsages,
              QStringList({"Digital Signature", "Non Repudiation", "Key Encipherment"}));
    EXPECT_EQ(info.extendedKeyUsages,
              QStringList({"TLS Web Server Authentication", "TLS Web Client Authentication",
                           "E-mail Protection", "1.3.6.1.4.1.99999.1"}));
    EXPECT_EQ(info.subjectAlternativeNames,
              QStringList({"DNS:eid.example.mn", "email:citizen@example.mn",
                           "IP Address:192.0.2.7", "IP Address:2001:DB8:0:0:0:0:0:1",
                           "URI:https://example.mn/id"}));
    EXPECT_EQ(info.thumbprintSha256Hex,
              QString::fromLatin1(QCryptographicHash::hash(der, QCryptographicHash::Sha256).toHex()));
    EXPECT_EQ(info.thumbprintSha1Hex,
              QString::fromLatin1(QCryptographicHash::hash(der, QCryptographicHash::Sha1).toHex()));
    EXPECT_EQ(info.pemSource, QStringLiteral("pem"));
}

TEST(CertificateService, SpkiDigestCoversTheWholeSubjectPublicKeyInfo)
{
    // The value must equal a standard public-key pin, whatever the key type.
    for (const bool rsa : {false, true}) {
        CertificateSpec spec;
        spec.rsa = rsa;
        const QByteArray der = makeCertificate(spec);
        const CertificateInfo info = expectInfo(service.parseDer(der, {}));
        EXPECT_EQ(info.spkiSha256Base64,
                  QString::fromLatin1(orvela::testing::spkiSha256(der).toBase64()));
        EXPECT_EQ(info.publicKeyAlgorithm, rsa ? QStringLiteral("RSA") : QStringLiteral("ECDSA"));
        EXPECT_EQ(info.publicKeyBits, rsa ? 2048 : 256);
    }
}

TEST(CertificateService, CertificateWithoutExtensionsHasEmptyLists)
{
    CertificateSpec spec;
    spec.subject = QStringLiteral("/C=MN/O=Only Organisation");
    const CertificateInfo info = expectInfo(service.parseDer(makeCertificate(spec), {}));
    EXPECT_EQ(info.subject, QStringLiteral("Only Organisation")); // no CN: the last component
    EXPECT_TRUE(info.keyUsages.isEmpty());
    EXPECT_TRUE(info.extendedKeyUsages.isEmpty());
    EXPECT_TRUE(info.subjectAlternativeNames.isEmpty());
}

TEST(CertificateService, PemTextRules)
{
    const QByteArray der = makeCertificate();
    const QString pem = certificatePem(der);
    ASSERT_TRUE(pem.startsWith("-----BEGIN CERTIFICATE-----\n"));
    ASSERT_TRUE(pem.endsWith("-----END CERTIFICATE-----\n"));

    const CertificateInfo fromPem = expectInfo(service.parsePem(QStringLiteral("\n  ") + pem));
    EXPECT_EQ(fromPem.thumbprintSha256Hex, expectInfo(service.parseDer(der, {})).thumbprintSha256Hex);
    EXPECT_EQ(fromPem.pemSource, pem.trimmed()); // stored trimmed

    // Without its marker lines the Base64 alone still parses.
    QStringList lines = pem.trimmed().split(u'\n');
    lines.removeFirst();
    lines.removeLast();
    EXPECT_TRUE(std::holds_alternative<CertificateInfo>(service.parsePem(lines.join(u'\n'))));

    // Windows line ends parse like LF ones.
    QString crlf = pem;
    crlf.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    EXPECT_EQ(expectInfo(service.parsePem(crlf)).thumbprintSha256Hex, fromPem.thumbprintSha256Hex);
}

TEST(CertificateService, PemFailures)
{
    const QString pem = certificatePem(makeCertificate());
    for (const QString& blank : {QString(), QStringLiteral("   \n\t \r\n ")}) {
        const ApiError error = expectError(service.parsePem(blank));
        EXPECT_EQ(error.code, ApiErrorCode::badRequest);
        EXPECT_EQ(error.message, QStringLiteral("Empty PEM input."));
        EXPECT_FALSE(error.detail.has_value());
    }

    QStringList lines = pem.split(u'\n');
    lines[1] += u' '; // a trailing space inside the body: lines are not trimmed
    EXPECT_EQ(expectError(service.parsePem(lines.join(u'\n'))).message, kBadPem);

    QString badChar = pem;
    badChar[40] = u'*';
    EXPECT_EQ(expectError(service.parsePem(badChar)).message, kBadPem);

    // A lone CR stays a character the strict decoder refuses.
    QString loneCr = pem;
    loneCr.replace(QStringLiteral("\n"), QStringLiteral("\r"));
    EXPECT_EQ(expectError(service.parsePem(loneCr)).code, ApiErrorCode::badRequest);

    // Valid Base64 that is not a certificate.
    EXPECT_EQ(expectError(service.parsePem(QStringLiteral("SGVsbG8="))).message, kParseFailure);
    // Missing padding is refused.
    EXPECT_EQ(expectError(service.parsePem(QStringLiteral("SGVsbG8"))).message, kBadPem);
}

TEST(CertificateService, FilesInEveryForm)
{
    QTemporaryDir dir;
    const QByteArray der = makeCertificate();
    const QString pem = certificatePem(der);

    const CertificateInfo fromDer = expectInfo(service.parseFile(writeFile(dir, "c.cer", der)));
    EXPECT_EQ(fromDer.pemSource, pem); // shown back as PEM, ending in a line feed
    EXPECT_TRUE(fromDer.pemSource.endsWith("-----END CERTIFICATE-----\n"));

    const CertificateInfo fromPem =
        expectInfo(service.parseFile(writeFile(dir, "c.pem", pem.toUtf8())));
    EXPECT_EQ(fromPem.thumbprintSha256Hex, fromDer.thumbprintSha256Hex);

    // A byte above 0x7F in the first 64 bytes makes the file DER, which this PEM is not.
    QByteArray latin = "\xC3\xA9" + pem.toUtf8();
    EXPECT_EQ(expectError(service.parseFile(writeFile(dir, "u.pem", latin))).message,
              kParseFailure);

    // Shorter than a BEGIN line: DER, and not a certificate.
    EXPECT_EQ(expectError(service.parseFile(writeFile(dir, "s.pem", "-----BEGIN CERT"))).message,
              kParseFailure);

    // DER with trailing bytes is not one certificate.
    EXPECT_EQ(expectError(service.parseFile(writeFile(dir, "t.der", der + "xx"))).message,
              kParseFailure);

    const QString missing = dir.filePath("missing.pem");
    const ApiError notFound = expectError(service.parseFile(missing));
    EXPECT_EQ(notFound.code, ApiErrorCode::notFound);
    EXPECT_EQ(notFound.message, QStringLiteral("Файл олдсонгүй: ") + missing);

}

TEST(CertificateService, OnlyARegularFileOfBoundedSizeIsRead)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo.pem");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString large = dir.filePath("large.der");
    {
        QFile file(large);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(orvela::common::inputLimit::certificate + 1)); // sparse, quick
    }
    const QString notRegular = QStringLiteral("Энгийн файл биш: %1");
    const std::pair<QString, QString> cases[] = {
        {dir.path(), notRegular.arg(dir.path())},
        {fifo, notRegular.arg(fifo)}, // no writer: a blocking open would never return
        {QStringLiteral("/dev/zero"), notRegular.arg(QStringLiteral("/dev/zero"))},
        {large, QStringLiteral("Хэт том; энд хүлээн авах дээд хэмжээ 4 MiB: ") + large},
    };
    for (const auto& [path, message] : cases) {
        const ApiError error = expectError(service.parseFile(path));
        EXPECT_EQ(error.code, ApiErrorCode::badRequest) << path.toStdString();
        EXPECT_EQ(error.message, message);
    }
}

TEST(CertificateService, ErrorsAreWordedInTheServiceLanguage)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath("missing.pem");
    const CertificateServiceImpl english(orvela::common::AppLanguage::en);
    const std::pair<CertificateResult, QString> cases[] = {
        {english.parsePem(QStringLiteral(" ")), QStringLiteral("Empty PEM input.")},
        {english.parsePem(QStringLiteral("SGVsbG8")),
         QStringLiteral("The PEM text is not valid Base64.")},
        {english.parsePem(QStringLiteral("SGVsbG8=")),
         QStringLiteral("The file could not be read as an X.509 certificate.")},
        {english.parseFile(missing), QStringLiteral("File not found: ") + missing},
        {english.parseFile(dir.path()), QStringLiteral("Not a regular file: ") + dir.path()},
    };
    for (const auto& [result, message] : cases) {
        EXPECT_EQ(expectError(result).message, message);
    }
}

TEST(CertificateInfo, ValidityHelpers)
{
    CertificateInfo info;
    info.notBefore = QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);
    info.notAfter = QDateTime(QDate(2026, 12, 31), QTime(0, 0), Qt::UTC);
    const QDateTime before = info.notBefore.addSecs(-1);
    const QDateTime after = info.notAfter.addSecs(1);

    EXPECT_TRUE(info.isNotYetValid(before));
    EXPECT_FALSE(info.isValid(before));
    EXPECT_TRUE(info.isValid(info.notBefore));
    EXPECT_TRUE(info.isValid(info.notAfter));
    EXPECT_FALSE(info.isExpired(info.notAfter));
    EXPECT_TRUE(info.isExpired(after));
    EXPECT_FALSE(info.remainingValidity(after).has_value());
    EXPECT_DOUBLE_EQ(*info.remainingValidity(info.notAfter.addSecs(-90)), 90.0);
    EXPECT_DOUBLE_EQ(*info.remainingValidity(info.notAfter), 0.0);
}
