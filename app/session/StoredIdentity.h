#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace orvela::session {

/// The signed-in identity as kept in the credential store, JSON-encoded with exactly these
/// keys; every key is a required string.
struct StoredIdentity {
    QString documentNumber;
    QString fullName;
    QString civilId;
    QString nationalId; ///< may be empty (QR sign-in)
    QString certificateLevel;
    QString loginAt; ///< ISO 8601 UTC

    QByteArray encode() const;
    /// The identity, or nothing when the bytes are not an object with every key as a string.
    static std::optional<StoredIdentity> decode(const QByteArray& bytes);

    bool operator==(const StoredIdentity&) const = default;
};

} // namespace orvela::session
