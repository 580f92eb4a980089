#include "signing/DocumentHash.h"

#include "signing/OpenSslPtr.h"

#include <QFile>
#include <QFileInfo>
#include <memory>
#include <openssl/crypto.h>
#include <openssl/evp.h>

namespace orvela::signing {

namespace {

// Large enough that the read syscalls cost nothing, small enough to stay in the cache for the
// digest that follows each one.
constexpr qint64 chunkSize = 256 << 10;

struct DigestContextFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

DocumentHash unreadable(const QString& why)
{
    DocumentHash result;
    result.status = DocumentHash::Status::unreadable;
    result.errorString = why;
    return result;
}

DocumentHash refused(DocumentHash::Status status)
{
    DocumentHash result;
    result.status = status;
    return result;
}

} // namespace

DocumentHash DocumentHash::read(const QString& path, qint64 limit)
{
    const signing::OpenSslThreadRelease release;
    // Opening a pipe waits for a writer that may never come, and a device never ends; a path
    // that does not exist is left to the open below, which names the reason.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        return refused(Status::notRegularFile);
    }
    QFile file(path);
    // Unbuffered: every chunk goes straight from the kernel into the document's own buffer.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return unreadable(file.errorString());
    }
    if (file.size() > limit) {
        return refused(Status::tooLarge);
    }
    std::unique_ptr<EVP_MD_CTX, DigestContextFree> context(EVP_MD_CTX_new());
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) {
        return unreadable(QStringLiteral("SHA-256 is not available"));
    }
    // One byte more than expected, so that a file that grew while being read is noticed
    // without growing (and copying) the buffer. Allocated exactly: resize() would round the
    // block up to the next power of two, 32 MiB for a 25 MiB document.
    QByteArray bytes(file.size() + 1, Qt::Uninitialized);
    qint64 filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (filled > limit) {
                return refused(Status::tooLarge);
            }
            bytes.resize(std::min(filled + chunkSize, limit + 1));
        }
        const qint64 got =
            file.read(bytes.data() + filled, std::min(chunkSize, bytes.size() - filled));
        if (got < 0) {
            return unreadable(file.errorString());
        }
        if (got == 0) {
            break;
        }
        EVP_DigestUpdate(context.get(), bytes.constData() + filled, static_cast<size_t>(got));
        filled += got;
    }
    if (filled > limit) {
        return refused(Status::tooLarge);
    }
    bytes.resize(filled);
    if (!bytes.startsWith(pdfSignature)) {
        return refused(Status::notPdf);
    }
    DocumentHash result;
    result.digest.resize(EVP_MAX_MD_SIZE);
    unsigned int length = 0;
    EVP_DigestFinal_ex(context.get(), reinterpret_cast<unsigned char*>(result.digest.data()),
                       &length);
    result.digest.resize(static_cast<qsizetype>(length));
    result.bytes = std::move(bytes);
    result.status = Status::ok;
    return result;
}

} // namespace orvela::signing
