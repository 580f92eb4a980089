#pragma once

#include <QHash>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>

namespace orvela::apitest {

/// A private PKI made in memory: a root, an intermediate (RSA 2048) and server leaves for
/// 127.0.0.1 with several key types, plus a leaf under a second root that no client trusts.
class TestPki {
public:
    struct Leaf {
        QSslCertificate certificate;
        QSslKey key;
    };

    TestPki();

    const QSslCertificate& root() const { return m_leaves.find("root")->certificate; }
    const QSslCertificate& intermediate() const
    {
        return m_leaves.find("intermediate")->certificate;
    }
    /// Leaves by name: "rsa2048", "rsa3072", "rsa4096", "p256", "p384", "p521", "untrusted".
    const Leaf& leaf(const QString& name) const { return *m_leaves.find(name); }
    /// The chain a server presents: the leaf, then the intermediate (except "untrusted").
    QList<QSslCertificate> chain(const QString& name) const;
    /// Base64 SHA-256 of the certificate's SubjectPublicKeyInfo DER, computed with OpenSSL.
    static QString spkiPin(const QSslCertificate& certificate);

private:
    QHash<QString, Leaf> m_leaves;
};

} // namespace orvela::apitest
