#pragma once

#include "platform/KeychainError.h"
#include "platform/KeychainItem.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>
#include <variant>

class QObject;

namespace orvela::platform {

/// Small secrets of the signed-in user in the system's credential store (the Secret Service on
/// Linux) as generic-password items under one service name. Never falls back to QtKeychain's
/// plaintext file.
///
/// Every operation returns at once and reports on the interface thread through a callback bound
/// to `context`: if the context object dies first, the callback never runs. Operations are
/// carried out in the order they were asked for (QtKeychain runs its jobs one after another), so
/// a save followed by a delete leaves nothing behind.
class KeychainManager {
public:
    static constexpr const char* defaultService = "mn.orvela.eid.desktop";

    /// Either nothing (success) or the error.
    using Done = std::function<void(std::optional<KeychainError>)>;
    /// Either the stored bytes or the error.
    using Loaded = std::function<void(std::variant<QByteArray, KeychainError>)>;

    /// A store under `service`; a demo profile passes a service of its own.
    explicit KeychainManager(QString service = QString::fromLatin1(defaultService));

    /// The store of the product's own service.
    static KeychainManager& shared();

    const QString& service() const { return m_service; }

    /// Stores `data` as `item`, replacing any earlier value in place: the old value is never
    /// deleted first, so a failed save leaves it as it was. Fails with `saveFailed`.
    void save(const QByteArray& data, KeychainItem item, QObject* context, Done done) const;
    /// Reads `item`; a missing item fails with `loadFailed(Cause::notFound)`.
    void load(KeychainItem item, QObject* context, Loaded done) const;
    /// Deletes `item`. A missing item is not an error. Fails with `deleteFailed`.
    void remove(KeychainItem item, QObject* context, Done done) const;

    /// What a QtKeychain error kind means here.
    static KeychainError::Cause causeOf(int qtKeychainError);

private:
    QString m_service;
};

} // namespace orvela::platform
