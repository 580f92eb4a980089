#include "api/PinnedSessionDelegate.h"

#include "api/Obfuscated.h"
#include "common/LogCategories.h"

#include <QCryptographicHash>
#include <QNetworkReply>
#include <QSslConfiguration>
#include <QSslSocket>
#include <memory>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

namespace orvela::api {

namespace {

/// The pins compiled into the program, masked. Add entries as
/// `Obfuscated(QByteArray(reinterpret_cast<const char*>(kPin.data()), kPin.size()))` with
/// `constexpr auto kPin = Obfuscated::mask("base64-digest=")`. None yet: with pinning on and no
/// pins, every connection is refused.
QList<Obfuscated> builtInPins()
{
    return {};
}

struct X509Free {
    void operator()(X509* x) const { X509_free(x); }
};
struct BnFree {
    void operator()(BIGNUM* b) const { BN_free(b); }
};

QByteArray hexBytes(const char* hex)
{
    return QByteArray::fromHex(hex);
}

/// DER prefix of the SubjectPublicKeyInfo for a key of the given type and size; empty if the
/// key is not one we pin.
QByteArray spkiHeader(int type, int bits)
{
    if (type == EVP_PKEY_EC && bits == 256) {
        return hexBytes("3059301306072a8648ce3d020106082a8648ce3d030107034200");
    }
    if (type == EVP_PKEY_EC && bits == 384) {
        return hexBytes("3076301006072a8648ce3d020106052b81040022036200");
    }
    if (type == EVP_PKEY_RSA && bits == 2048) {
        return hexBytes("30820122300d06092a864886f70d01010105000382010f00");
    }
    if (type == EVP_PKEY_RSA && bits == 4096) {
        return hexBytes("30820222300d06092a864886f70d01010105000382020f00");
    }
    return {};
}

/// A big number as exactly `width` big-endian bytes.
std::optional<QByteArray> paddedBytes(const BIGNUM* n, int width)
{
    QByteArray out(width, '\0');
    if (BN_bn2binpad(n, reinterpret_cast<unsigned char*>(out.data()), width) != width) {
        return std::nullopt;
    }
    return out;
}

/// The uncompressed point 04 || X || Y, whatever form the certificate carried it in.
std::optional<QByteArray> ecPoint(const EVP_PKEY* key, int bits)
{
    BIGNUM* x = nullptr;
    BIGNUM* y = nullptr;
    const bool got = EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_EC_PUB_X, &x) == 1 &&
                     EVP_PKEY_get_bn_param(key, OSSL_PKEY_PARAM_EC_PUB_Y, &y) == 1;
    std::unique_ptr<BIGNUM, BnFree> ownX(x);
    std::unique_ptr<BIGNUM, BnFree> ownY(y);
    if (!got) {
        return std::nullopt;
    }
    const int width = (bits + 7) / 8;
    const auto bx = paddedBytes(x, width);
    const auto by = paddedBytes(y, width);
    if (!bx || !by) {
        return std::nullopt;
    }
    return QByteArray(1, '\x04') + *bx + *by;
}

/// PKCS #1 RSAPublicKey DER.
std::optional<QByteArray> rsaPublicKey(EVP_PKEY* key)
{
    unsigned char* der = nullptr;
    const int length = i2d_PublicKey(key, &der);
    if (length <= 0) {
        return std::nullopt;
    }
    QByteArray out(reinterpret_cast<const char*>(der), length);
    OPENSSL_free(der);
    return out;
}

} // namespace

PinnedSessionDelegate::PinnedSessionDelegate(const QStringList& extraPins,
                                             std::function<bool()> pinningEnabled)
    : m_pinningEnabled(std::move(pinningEnabled))
{
    for (const QString& pin : extraPins) {
        if (!pin.isEmpty()) {
            m_pinnedHashes.insert(pin);
        }
    }
    for (const Obfuscated& pin : builtInPins()) {
        m_pinnedHashes.insert(pin.reveal());
    }
}

std::optional<QString> PinnedSessionDelegate::certificateDigest(const QSslCertificate& certificate)
{
    const QByteArray der = certificate.toDer();
    const auto* cursor = reinterpret_cast<const unsigned char*>(der.constData());
    std::unique_ptr<X509, X509Free> x509(d2i_X509(nullptr, &cursor, der.size()));
    if (!x509) {
        return std::nullopt;
    }
    EVP_PKEY* key = X509_get0_pubkey(x509.get());
    if (key == nullptr) {
        return std::nullopt;
    }
    const int type = EVP_PKEY_get_base_id(key);
    const int bits = EVP_PKEY_get_bits(key);
    const QByteArray header = spkiHeader(type, bits);
    if (header.isEmpty()) {
        return std::nullopt;
    }
    const auto raw = type == EVP_PKEY_EC ? ecPoint(key, bits) : rsaPublicKey(key);
    if (!raw) {
        return std::nullopt;
    }
    return QString::fromLatin1(
        QCryptographicHash::hash(header + *raw, QCryptographicHash::Sha256).toBase64());
}

bool PinnedSessionDelegate::acceptsVerifiedChain(const QList<QSslCertificate>& chain) const
{
    for (const QSslCertificate& certificate : chain) {
        const auto digest = certificateDigest(certificate);
        if (digest && m_pinnedHashes.contains(*digest)) {
            return true;
        }
    }
    qCCritical(lcPinning)
        << "Pinning: no pinned key in chain — refusing connection (possible MITM)";
    return false;
}

bool PinnedSessionDelegate::refuses(const QList<QSslCertificate>& chain) const
{
    // A verified but empty chain holds no pinned key: refused, and logged, as such.
    return pinningEnabled() && !acceptsVerifiedChain(chain);
}

void PinnedSessionDelegate::noteUntrusted() const
{
    if (pinningEnabled()) {
        qCCritical(lcPinning) << "Pinning: system trust evaluation failed";
    }
}

void PinnedSessionDelegate::attach(QNetworkReply* reply) const
{
    // Qt fails the handshake itself when the chain does not verify; we only add the log line
    // that says so when pinning is on, and never ignore the errors.
    QObject::connect(reply, &QNetworkReply::sslErrors, reply,
                     [this](const QList<QSslError>&) { noteUntrusted(); });
    QObject::connect(reply, &QNetworkReply::encrypted, reply, [this, reply] {
        if (refuses(reply->sslConfiguration().peerCertificateChain())) {
            reply->setProperty(refusedProperty, true);
            reply->abort();
        }
    });
}

void PinnedSessionDelegate::attach(QSslSocket* socket, QObject* context,
                                   std::function<void(bool accepted)> decided) const
{
    QObject::connect(socket, &QSslSocket::sslErrors, context,
                     [this](const QList<QSslError>&) { noteUntrusted(); });
    QObject::connect(socket, &QSslSocket::encrypted, context,
                     [this, socket, decided = std::move(decided)] {
                         decided(!refuses(socket->peerCertificateChain()));
                     });
}

} // namespace orvela::api
