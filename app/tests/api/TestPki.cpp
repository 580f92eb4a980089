#include "TestPki.h"

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <openssl/x509.h>

namespace orvela::apitest {

namespace {

const QString caExtensions =
    QStringLiteral("basicConstraints=critical,CA:TRUE\nkeyUsage=critical,keyCertSign,cRLSign\n"
                   "subjectKeyIdentifier=hash\nauthorityKeyIdentifier=keyid\n");
const QString leafExtensions =
    QStringLiteral("basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature,keyEncipherment\n"
                   "extendedKeyUsage=serverAuth\nsubjectAltName=IP:127.0.0.1\n"
                   "subjectKeyIdentifier=hash\nauthorityKeyIdentifier=keyid\n");

QStringList ecKey(const char* curve)
{
    return {"-newkey", "ec", "-pkeyopt", QStringLiteral("ec_paramgen_curve:%1").arg(curve)};
}

QStringList rsaKey(int bits)
{
    return {"-newkey", QStringLiteral("rsa:%1").arg(bits)};
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TestPki::TestPki()
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary directory");
        return;
    }
    const bool made =
        makeCertificate("root", ecKey("P-256"), "/CN=Orvela Test Root", {}, caExtensions) &&
        makeCertificate("intermediate", rsaKey(2048), "/CN=Orvela Test Intermediate", "root",
                        QString(caExtensions).replace("CA:TRUE", "CA:TRUE,pathlen:0")) &&
        makeCertificate("rsa2048", rsaKey(2048), "/CN=127.0.0.1", "intermediate", leafExtensions) &&
        makeCertificate("rsa3072", rsaKey(3072), "/CN=127.0.0.1", "intermediate", leafExtensions) &&
        makeCertificate("rsa4096", rsaKey(4096), "/CN=127.0.0.1", "intermediate", leafExtensions) &&
        makeCertificate("p256", ecKey("P-256"), "/CN=127.0.0.1", "intermediate", leafExtensions) &&
        makeCertificate("p384", ecKey("P-384"), "/CN=127.0.0.1", "intermediate", leafExtensions) &&
        makeCertificate("p521", ecKey("P-521"), "/CN=127.0.0.1", "intermediate", leafExtensions) &&
        makeCertificate("otherroot", ecKey("P-256"), "/CN=Someone Else", {}, caExtensions) &&
        makeCertificate("untrusted", ecKey("P-256"), "/CN=127.0.0.1", "otherroot", leafExtensions);
    if (!made) {
        return;
    }
    m_root = m_leaves.value("root").certificate;
    m_intermediate = m_leaves.value("intermediate").certificate;
}

bool TestPki::run(const QStringList& args)
{
    QProcess openssl;
    openssl.setWorkingDirectory(m_dir.path());
    openssl.start(QStringLiteral("openssl"), args);
    if (!openssl.waitForFinished(120'000) || openssl.exitCode() != 0) {
        m_error = QStringLiteral("openssl %1: %2")
                      .arg(args.join(u' '), QString::fromLocal8Bit(openssl.readAllStandardError()));
        return false;
    }
    return true;
}

bool TestPki::makeCertificate(const QString& name, const QStringList& keyArgs,
                              const QString& subject, const QString& issuer,
                              const QString& extensions)
{
    const QString dir = m_dir.path() + u'/';
    QFile ext(dir + name + ".ext");
    if (!ext.open(QIODevice::WriteOnly) || ext.write(extensions.toUtf8()) < 0) {
        m_error = QStringLiteral("cannot write %1").arg(ext.fileName());
        return false;
    }
    ext.close();
    const QString serial = QStringLiteral("%1").arg(m_serial++);
    bool ok = run(QStringList{"req", "-new", "-nodes"} + keyArgs +
                  QStringList{"-keyout", name + ".key", "-out", name + ".csr", "-subj", subject});
    if (ok && issuer.isEmpty()) {
        ok = run({"x509", "-req", "-in", name + ".csr", "-signkey", name + ".key", "-days", "2",
                  "-set_serial", serial, "-extfile", name + ".ext", "-out", name + ".pem"});
    } else if (ok) {
        ok = run({"x509", "-req", "-in", name + ".csr", "-CA", issuer + ".pem", "-CAkey",
                  issuer + ".key", "-days", "2", "-set_serial", serial, "-extfile", name + ".ext",
                  "-out", name + ".pem"});
    }
    if (!ok) {
        return false;
    }
    Leaf leaf;
    leaf.certificate = QSslCertificate(readFile(dir + name + ".pem"), QSsl::Pem);
    const QByteArray keyPem = readFile(dir + name + ".key");
    const QSsl::KeyAlgorithm algorithm = keyArgs.value(1) == u"ec" ? QSsl::Ec : QSsl::Rsa;
    leaf.key = QSslKey(keyPem, algorithm, QSsl::Pem, QSsl::PrivateKey);
    if (leaf.certificate.isNull() || leaf.key.isNull()) {
        m_error = QStringLiteral("cannot load %1").arg(name);
        return false;
    }
    m_leaves.insert(name, leaf);
    return true;
}

QList<QSslCertificate> TestPki::chain(const QString& name) const
{
    if (name == u"untrusted") {
        return {leaf(name).certificate};
    }
    return {leaf(name).certificate, m_intermediate};
}

QString TestPki::spkiPin(const QSslCertificate& certificate)
{
    const QByteArray der = certificate.toDer();
    const auto* cursor = reinterpret_cast<const unsigned char*>(der.constData());
    X509* x509 = d2i_X509(nullptr, &cursor, der.size());
    if (x509 == nullptr) {
        return {};
    }
    unsigned char* spki = nullptr;
    const int length = i2d_X509_PUBKEY(X509_get_X509_PUBKEY(x509), &spki);
    QByteArray bytes(reinterpret_cast<const char*>(spki), length > 0 ? length : 0);
    OPENSSL_free(spki);
    X509_free(x509);
    return QString::fromLatin1(
        QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toBase64());
}

} // namespace orvela::apitest
