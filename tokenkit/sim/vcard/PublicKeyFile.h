#pragma once

#include "orvela/tokenkit/Bytes.h"

#include <optional>
#include <string>

namespace orvela::sim {

/// Keeps a PEM file in step with an on-card P-256 public key, so that tests outside the
/// process can verify the token's signatures. Written atomically (temporary file + rename).
class PublicKeyFile {
public:
    explicit PublicKeyFile(std::string path) : m_path(std::move(path)) {}

    /// Rewrites the file when the point differs from the last one written. Returns false when
    /// the point is not a valid P-256 point or the file cannot be written.
    bool update(const std::optional<tokenkit::Bytes>& point);

    /// SubjectPublicKeyInfo PEM of an uncompressed P-256 point; empty when it is not one.
    static std::string toPem(tokenkit::ByteView point);

private:
    std::string m_path;
    std::optional<tokenkit::Bytes> m_written;
};

} // namespace orvela::sim
