#pragma once

#include <QList>
#include <QSet>
#include <QSslCertificate>
#include <QSslError>
#include <QStringList>
#include <functional>
#include <optional>

class QNetworkReply;
class QObject;
class QSslSocket;

namespace orvela::api {

/// The backend connection's trust decision. Qt's ordinary chain verification always has to pass
/// (a failure fails the handshake); with pinning switched on, some certificate of the presented
/// chain must also carry a public key whose SubjectPublicKeyInfo SHA-256 is in the pin set.
/// The check runs when a connection turns encrypted, before any request byte is sent; a refusal
/// aborts the reply.
class PinnedSessionDelegate {
public:
    /// `extraPins`: Base64 SHA-256 digests added to the built-in ones (empty texts are dropped).
    /// `pinningEnabled`: read at every handshake.
    PinnedSessionDelegate(const QStringList& extraPins, std::function<bool()> pinningEnabled);

    const QSet<QString>& pinnedHashes() const { return m_pinnedHashes; }
    bool pinningEnabled() const { return m_pinningEnabled(); }

    /// Hooks the check onto a reply.
    void attach(QNetworkReply* reply) const;
    /// Hooks the same check onto a socket of the client's own: `decided` runs (in `context`)
    /// once the handshake has passed Qt's verification, with whether the pins accept the chain.
    void attach(QSslSocket* socket, QObject* context,
                std::function<void(bool accepted)> decided) const;

    /// Whether a chain that Qt has verified (leaf first) passes; logs the refusal.
    bool acceptsVerifiedChain(const QList<QSslCertificate>& chain) const;

    /// Base64 SHA-256 over the SubjectPublicKeyInfo header for the key's type and size followed
    /// by the key's raw form. Only EC P-256, EC P-384, RSA 2048 and RSA 4096 keys have a digest.
    static std::optional<QString> certificateDigest(const QSslCertificate& certificate);

    /// Property set on a reply this delegate refused.
    static constexpr const char* refusedProperty = "orvela.pinRefused";

private:
    /// Whether the chain of a connection that turned encrypted must be refused.
    bool refuses(const QList<QSslCertificate>& chain) const;
    void noteUntrusted() const;

    QSet<QString> m_pinnedHashes;
    std::function<bool()> m_pinningEnabled;
};

} // namespace orvela::api
