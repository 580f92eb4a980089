#include "tokens/TokenWork.h"

#include "orvela/tokenkit/CSR.h"
#include "orvela/tokenkit/PKCS11Error.h"
#include "orvela/tokenkit/TokenError.h"

namespace orvela::tokens {

using tokenkit::TokenError;

TokenFailure failureOf(const std::exception& error)
{
    if (const auto* token = dynamic_cast<const TokenError*>(&error)) {
        const bool gone = token->code() == TokenError::Code::cardNotFound ||
                          token->code() == TokenError::Code::readerNotConnected;
        return {QString::fromStdString(token->errorDescription()), gone};
    }
    if (const auto* p11 = dynamic_cast<const tokenkit::P11Error*>(&error)) {
        return {QString::fromStdString(p11->errorDescription()), false};
    }
    if (const auto* csr = dynamic_cast<const tokenkit::CSRError*>(&error)) {
        return {QString::fromStdString(csr->errorDescription()), false};
    }
    return {QString::fromUtf8(error.what()), false};
}

namespace {

// Never destroyed: work still running at exit must not be joined from a static destructor
// after the kit's own statics are gone.
QThreadPool* singleThreadPool(const QString& name)
{
    auto* pool = new QThreadPool;
    pool->setMaxThreadCount(1);
    pool->setObjectName(name);
    return pool;
}

} // namespace

QThreadPool& cardWorker()
{
    static QThreadPool* const pool = singleThreadPool(QStringLiteral("card-worker"));
    return *pool;
}

QThreadPool& pkcs11Worker()
{
    static QThreadPool* const pool = singleThreadPool(QStringLiteral("pkcs11-worker"));
    return *pool;
}

} // namespace orvela::tokens
