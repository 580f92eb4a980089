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

QThreadPool& cardWorker()
{
    // Never destroyed: a card session still running at exit must not be joined from a static
    // destructor after the kit's own statics are gone.
    static QThreadPool* const pool = [] {
        auto* worker = new QThreadPool;
        worker->setMaxThreadCount(1);
        worker->setObjectName(QStringLiteral("card-worker"));
        return worker;
    }();
    return *pool;
}

} // namespace orvela::tokens
