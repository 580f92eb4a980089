#include "platform/KeychainManager.h"

#include <QObject>
#include <qt6keychain/keychain.h>

namespace orvela::platform {

namespace {

/// Settings every job shares: no plaintext fallback, and the job deletes itself when done.
template <class Job> Job* prepare(Job* job, KeychainItem item)
{
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    job->setKey(keychainAccount(item));
    return job;
}

} // namespace

KeychainManager::KeychainManager(QString service) : m_service(std::move(service)) {}

KeychainManager& KeychainManager::shared()
{
    static KeychainManager instance;
    return instance;
}

KeychainError::Cause KeychainManager::causeOf(int qtKeychainError)
{
    using Cause = KeychainError::Cause;
    switch (static_cast<QKeychain::Error>(qtKeychainError)) {
    case QKeychain::EntryNotFound:
        return Cause::notFound;
    case QKeychain::AccessDenied:
        return Cause::locked;
    case QKeychain::AccessDeniedByUser:
        return Cause::cancelled;
    case QKeychain::NoBackendAvailable:
        return Cause::unavailable;
    case QKeychain::NotImplemented:
        return Cause::unsupported;
    case QKeychain::NoError:
    case QKeychain::CouldNotDeleteEntry:
    case QKeychain::OtherError:
        break;
    }
    return Cause::failed;
}

void KeychainManager::save(const QByteArray& data, KeychainItem item, QObject* context,
                           Done done) const
{
    // Always binary data: QtKeychain tags text and binary values differently, and only equal
    // tags let the Secret Service replace the existing item instead of adding a second one.
    auto* job = prepare(new QKeychain::WritePasswordJob(m_service), item);
    job->setBinaryData(data);
    QObject::connect(job, &QKeychain::Job::finished, context,
                     [done = std::move(done)](QKeychain::Job* finished) {
                         if (finished->error() == QKeychain::NoError) {
                             done(std::nullopt);
                         } else {
                             done(KeychainError::saveFailed(causeOf(finished->error())));
                         }
                     });
    job->start();
}

void KeychainManager::load(KeychainItem item, QObject* context, Loaded done) const
{
    auto* job = prepare(new QKeychain::ReadPasswordJob(m_service), item);
    QObject::connect(job, &QKeychain::Job::finished, context,
                     [done = std::move(done)](QKeychain::Job* finished) {
                         auto* read = static_cast<QKeychain::ReadPasswordJob*>(finished);
                         if (read->error() == QKeychain::NoError) {
                             done(read->binaryData());
                         } else {
                             done(KeychainError::loadFailed(causeOf(read->error())));
                         }
                     });
    job->start();
}

void KeychainManager::remove(KeychainItem item, QObject* context, Done done) const
{
    auto* job = prepare(new QKeychain::DeletePasswordJob(m_service), item);
    QObject::connect(job, &QKeychain::Job::finished, context,
                     [done = std::move(done)](QKeychain::Job* finished) {
                         const auto error = finished->error();
                         if (error == QKeychain::NoError || error == QKeychain::EntryNotFound) {
                             done(std::nullopt);
                         } else {
                             done(KeychainError::deleteFailed(causeOf(error)));
                         }
                     });
    job->start();
}

} // namespace orvela::platform
