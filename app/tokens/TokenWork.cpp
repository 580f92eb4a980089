#include "tokens/TokenWork.h"

namespace orvela::tokens {

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
