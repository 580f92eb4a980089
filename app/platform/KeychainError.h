#pragma once

#include <QString>

namespace orvela::platform {

/// A failed credential-store operation: what was being done and why it failed. The person never
/// reads it as such; the screens word its consequence (the diagnostics report, a sign-in kept
/// only for the session), and logs name it.
class KeychainError {
public:
    enum class Kind { saveFailed, loadFailed, deleteFailed, invalidData };
    /// The store's answer.
    enum class Cause {
        notFound,    ///< no such item
        locked,      ///< the store is locked or refused the caller
        cancelled,   ///< the person cancelled an unlock prompt
        unavailable, ///< no credential store is running or reachable
        unsupported, ///< the platform's store lacks the operation
        failed,      ///< anything else inside the store
        none,        ///< for invalidData: the store answered, the data was wrong
    };

    static KeychainError saveFailed(Cause cause) { return {Kind::saveFailed, cause}; }
    static KeychainError loadFailed(Cause cause) { return {Kind::loadFailed, cause}; }
    static KeychainError deleteFailed(Cause cause) { return {Kind::deleteFailed, cause}; }
    static KeychainError invalidData() { return {Kind::invalidData, Cause::none}; }

    Kind kind() const { return m_kind; }
    Cause cause() const { return m_cause; }
    /// For logs, in English: "credential store: load failed (locked)".
    QString message() const;

    bool operator==(const KeychainError&) const = default;

private:
    KeychainError(Kind kind, Cause cause) : m_kind(kind), m_cause(cause) {}

    Kind m_kind;
    Cause m_cause;
};

} // namespace orvela::platform
