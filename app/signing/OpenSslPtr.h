#pragma once

#include <QDateTime>
#include <QString>
#include <memory>
#include <openssl/asn1.h>
#include <openssl/crypto.h>
#include <openssl/x509.h>

namespace orvela::signing {

/// Frees the calling thread's OpenSSL state (its error queue, above all) when a piece of work
/// ends. The work runs on pool threads, which are joined only at exit, and there the state's
/// thread-exit handler races the end of the process: LeakSanitizer then finds the error queue
/// unowned.
struct OpenSslThreadRelease {
    OpenSslThreadRelease() = default;
    OpenSslThreadRelease(const OpenSslThreadRelease&) = delete;
    OpenSslThreadRelease& operator=(const OpenSslThreadRelease&) = delete;
    ~OpenSslThreadRelease() { OPENSSL_thread_stop(); }
};

template <auto Free> struct OpenSslDeleter {
    template <typename T> void operator()(T* p) const { Free(p); }
};
/// An OpenSSL object owned through its own free function.
template <typename T, auto Free> using OpenSslPtr = std::unique_ptr<T, OpenSslDeleter<Free>>;

/// Frees a stack of certificates and the certificates in it.
inline void freeCertificates(STACK_OF(X509) * certificates)
{
    sk_X509_pop_free(certificates, X509_free);
}
using CertificatesPtr = std::unique_ptr<STACK_OF(X509), OpenSslDeleter<freeCertificates>>;

/// `time` in UTC; invalid when OpenSSL cannot read it.
inline QDateTime fromAsn1Time(const ASN1_TIME* time)
{
    std::tm parts{};
    if (time == nullptr || ASN1_TIME_to_tm(time, &parts) != 1) {
        return {};
    }
    return QDateTime(QDate(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday),
                     QTime(parts.tm_hour, parts.tm_min, parts.tm_sec), Qt::UTC);
}

} // namespace orvela::signing
