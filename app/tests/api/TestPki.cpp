#include "TestPki.h"

#include "../certificates/TestCertificates.h"

namespace orvela::apitest {

using orvela::testing::CertificateSpec;
using orvela::testing::IssuedCertificate;

TestPki::TestPki()
{
    QHash<QString, IssuedCertificate> made;
    long serial = 1;
    const auto make = [&](const QString& name, const QString& issuer, int rsaBits,
                          const char* curve, bool ca) {
        CertificateSpec spec;
        spec.subject = ca ? "/CN=Orvela Test " + name : "/CN=127.0.0.1";
        spec.rsaBits = rsaBits;
        spec.curve = curve;
        spec.serial = serial++;
        spec.basicConstraints = ca ? "critical,CA:TRUE" : "CA:FALSE";
        spec.keyUsage =
            ca ? "critical,keyCertSign,cRLSign" : "critical,digitalSignature,keyEncipherment";
        if (!ca) {
            spec.extendedKeyUsage = QStringLiteral("serverAuth");
            spec.subjectAltName = QStringLiteral("IP:127.0.0.1");
        }
        const IssuedCertificate certificate =
            orvela::testing::issueCertificate(spec, made.value(issuer));
        made.insert(name, certificate);
        const QSsl::KeyAlgorithm algorithm = rsaBits > 0 ? QSsl::Rsa : QSsl::Ec;
        m_leaves.insert(name, Leaf{QSslCertificate(certificate.der, QSsl::Der),
                                   QSslKey(certificate.keyPem, algorithm, QSsl::Pem)});
    };
    make("root", {}, 0, "P-256", true);
    make("intermediate", "root", 2048, "", true);
    make("rsa2048", "intermediate", 2048, "", false);
    make("rsa3072", "intermediate", 3072, "", false);
    make("rsa4096", "intermediate", 4096, "", false);
    make("p256", "intermediate", 0, "P-256", false);
    make("p384", "intermediate", 0, "P-384", false);
    make("p521", "intermediate", 0, "P-521", false);
    make("otherroot", {}, 0, "P-256", true);
    make("untrusted", "otherroot", 0, "P-256", false);
}

QList<QSslCertificate> TestPki::chain(const QString& name) const
{
    if (name == u"untrusted") {
        return {leaf(name).certificate};
    }
    return {leaf(name).certificate, intermediate()};
}

QString TestPki::spkiPin(const QSslCertificate& certificate)
{
    return QString::fromLatin1(orvela::testing::spkiSha256(certificate.toDer()).toBase64());
}

} // namespace orvela::apitest
