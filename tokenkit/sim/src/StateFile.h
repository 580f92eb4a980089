#pragma once

#include "CardState.h"

#include <optional>
#include <string>
#include <sys/types.h>
#include <utility>

namespace orvela::sim {

/// Saves and loads a token's state as a small line-based text file. Private keys are stored in
/// it in the clear: it belongs to a test token and must never hold real secrets.
///
/// Several processes may run a token on one file. Each command runs under lock(), reloads the
/// state when another process has replaced the file since (changedOnDisk), and saves before
/// it lets go, so that no process works on a stale copy and no update is lost.
class StateFile {
public:
    /// An exclusive hold on the state, released when it goes. It locks a companion file
    /// (path + ".lock"), because the state file itself is replaced on every save.
    class Lock {
    public:
        explicit Lock(const std::string& statePath);
        ~Lock();
        Lock(Lock&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;
        Lock& operator=(Lock&&) = delete;

    private:
        int m_fd = -1;
    };

    explicit StateFile(std::string path) : m_path(std::move(path)) {}

    /// Waits for the state to be free and holds it. Throws std::runtime_error when the lock file
    /// cannot be made.
    Lock lock() const { return Lock(m_path); }

    /// False when there is no file yet; throws std::runtime_error when it exists but cannot be
    /// read as a token's state, rather than quietly starting blank over the user's token.
    bool load(CardState& state);

    /// Writes a uniquely named temporary file beside the target and renames it over the target,
    /// so that a crash leaves either the old state or the new one. Throws std::runtime_error.
    void save(const CardState& state);

    /// Whether the file on disk is not the one this object last loaded or saved.
    bool changedOnDisk() const;

private:
    /// What tells one version of the file from another: each save makes a new file.
    struct Version {
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        long long modifiedNs = 0;
        bool operator==(const Version&) const = default;
    };
    std::optional<Version> versionOnDisk() const;

    std::string m_path;
    std::optional<Version> m_known;
};

} // namespace orvela::sim
