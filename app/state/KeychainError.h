#pragma once

#include <QString>
#include <cstdint>

namespace orvela::state {

/// A failed credential-store operation with its status code and fixed user-facing text.
///
/// The codes are those of the generic-password store the product was first written for, so
/// that the texts stay the same on every platform. QtKeychain reports error kinds rather than
/// codes; they map as follows:
///
/// | QtKeychain error     | code    | meaning here                                   |
/// |----------------------|---------|------------------------------------------------|
/// | EntryNotFound        | -25300  | no such item                                   |
/// | AccessDenied         | -25308  | the store is locked or refused the caller      |
/// | AccessDeniedByUser   | -128    | the person cancelled an unlock prompt          |
/// | NoBackendAvailable   | -25291  | no credential store is running or reachable    |
/// | NotImplemented       | -4      | the platform backend lacks the operation       |
/// | CouldNotDeleteEntry  | -26276  | any other failure inside the store             |
/// | OtherError           | -26276  | (as above)                                     |
class KeychainError {
public:
    enum class Kind { saveFailed, loadFailed, deleteFailed, invalidData };

    static constexpr std::int32_t itemNotFound = -25300;
    static constexpr std::int32_t interactionNotAllowed = -25308;
    static constexpr std::int32_t userCanceled = -128;
    static constexpr std::int32_t notAvailable = -25291;
    static constexpr std::int32_t unimplemented = -4;
    static constexpr std::int32_t internalComponent = -26276;

    static KeychainError saveFailed(std::int32_t status) { return {Kind::saveFailed, status}; }
    static KeychainError loadFailed(std::int32_t status) { return {Kind::loadFailed, status}; }
    static KeychainError deleteFailed(std::int32_t status) { return {Kind::deleteFailed, status}; }
    static KeychainError invalidData() { return {Kind::invalidData, 0}; }

    Kind kind() const { return m_kind; }
    /// The status code; 0 for `invalidData`.
    std::int32_t status() const { return m_status; }
    /// E.g. "Keychain уншиx алдаа: -25300".
    QString message() const;

    bool operator==(const KeychainError&) const = default;

private:
    KeychainError(Kind kind, std::int32_t status) : m_kind(kind), m_status(status) {}

    Kind m_kind;
    std::int32_t m_status;
};

} // namespace orvela::state
