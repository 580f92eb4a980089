#pragma once

#include "CardState.h"

#include <string>

namespace orvela::sim {

/// Saves and loads a token's state as a small line-based text file. Private keys are stored in
/// it in the clear: it belongs to a test token and must never hold real secrets.
class StateFile {
public:
    explicit StateFile(std::string path) : m_path(std::move(path)) {}

    /// False when there is no file yet; throws std::runtime_error when it exists but cannot be
    /// read as a token's state, rather than quietly starting blank over the user's token.
    bool load(CardState& state) const;

    /// Writes a temporary file beside the target and renames it over the target, so that a
    /// crash leaves either the old state or the new one. Throws std::runtime_error on failure.
    void save(const CardState& state) const;

private:
    std::string m_path;
};

} // namespace orvela::sim
