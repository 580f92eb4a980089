#pragma once

#include <QHash>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>
#include <QTemporaryDir>

namespace orvela::apitest {

/// A private PKI made with the openssl command in a temporary directory: a root, an
/// intermediate (RSA 2048) and server leaves for 127.0.0.1 with several key types, plus a leaf
/// under a second root that no client trusts.
class TestPki {
public:
    struct Leaf {
        QSslCertificate certificate;
        QSslKey key;
    };

    /// Makes everything; `error` is empty on success.
    TestPki();

    const QString& error() const { return m_error; }
    const QSslCertificate& root() const { return m_root; }
    const QSslCertificate& intermediate() const { return m_intermediate; }
    /// Leaves by name: "rsa2048", "rsa3072", "rsa4096", "p256", "p384", "p521", "untrusted".
    const Leaf& leaf(const QString& name) const { return *m_leaves.find(name); }
    /// The chain a server presents: the leaf, then the intermediate (except "untrusted").
    QList<QSslCertificate> chain(const QString& name) const;
    /// Base64 SHA-256 of the certificate's SubjectPublicKeyInfo DER, computed with OpenSSL.
    static QString spkiPin(const QSslCertificate& certificate);

private:
    bool run(const QStringList& args);
    bool makeCertificate(const QString& name, const QStringList& keyArgs, const QString& subject,
                         const QString& issuer, const QString& extensions);

    QTemporaryDir m_dir;
    QString m_error;
    int m_serial = 1;
    QSslCertificate m_root;
    QSslCertificate m_intermediate;
    QHash<QString, Leaf> m_leaves;
};

} // namespace orvela::apitest
