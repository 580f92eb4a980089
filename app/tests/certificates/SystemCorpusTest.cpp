// Every certificate Debian ships, read by us and by the openssl command, field by field: real
// certificates carry the odd encodings (T61 strings, negative serials, rare curves) that the ones
// the tests make never reach.
#include "certificates/CertificateParser.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace orvela::certificates;

namespace {

QString openssl(const QStringList& args)
{
    QProcess process;
    process.start(QStringLiteral("openssl"), args);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString field(const QString& text, const QString& pattern)
{
    const auto match = QRegularExpression(pattern, QRegularExpression::MultilineOption).match(text);
    return match.hasMatch() ? match.captured(1).trimmed() : QString();
}

QString fingerprint(const QString& text)
{
    return field(text, QStringLiteral("Fingerprint=(.*)$")).remove(u':').toLower();
}

QDateTime isoUtc(const QString& text)
{
    QDateTime when = QDateTime::fromString(QString(text).remove(u'Z'), Qt::ISODate);
    when.setTimeSpec(Qt::UTC);
    return when;
}

} // namespace

TEST(SystemCertificates, EveryFieldMatchesTheOpensslCommand)
{
    const QDir certs(QStringLiteral("/etc/ssl/certs"));
    const QStringList files = certs.entryList({QStringLiteral("*.pem")}, QDir::Files);
    if (files.isEmpty()) {
        GTEST_SKIP() << "no certificates under /etc/ssl/certs";
    }
    const CertificateParser service;
    int checked = 0;
    for (const QString& name : files) {
        const QString path = certs.filePath(name);
        SCOPED_TRACE(path.toStdString());
        const auto result = service.parseFile(path);
        ASSERT_TRUE(std::holds_alternative<CertificateInfo>(result));
        const auto& info = std::get<CertificateInfo>(result);

        const QString text = openssl(
            {"x509", "-in", path, "-noout", "-serial", "-dates", "-dateopt", "iso_8601", "-issuer",
             "-nameopt", "RFC2253,-esc_msb,sep_comma_plus_space", "-fingerprint", "-sha256",
             "-text"});
        const QString sha1 = openssl({"x509", "-in", path, "-noout", "-fingerprint", "-sha1"});

        EXPECT_EQ(info.serialNumberHex, field(text, "^serial=(.*)$"));
        EXPECT_EQ(info.notBefore, isoUtc(field(text, "^notBefore=(.*)$")));
        EXPECT_EQ(info.notAfter, isoUtc(field(text, "^notAfter=(.*)$")));
        EXPECT_EQ(info.issuer, field(text, "^issuer=(.*)$"));
        EXPECT_EQ(info.thumbprintSha256Hex, fingerprint(text));
        EXPECT_EQ(info.thumbprintSha1Hex, fingerprint(sha1));
        EXPECT_EQ(info.signatureAlgorithm, field(text, "Signature Algorithm: (\\S+)"));
        EXPECT_EQ(QString::number(info.publicKeyBits), field(text, "Public-Key: \\((\\d+) bit\\)"));
        const QString keyAlgorithm = field(text, "Public Key Algorithm: (\\S+)");
        EXPECT_EQ(info.publicKeyAlgorithm, keyAlgorithm == "rsaEncryption"    ? "RSA"
                                           : keyAlgorithm == "id-ecPublicKey" ? "ECDSA"
                                                                              : keyAlgorithm);
        ++checked;
    }
    EXPECT_GT(checked, 50);
}
