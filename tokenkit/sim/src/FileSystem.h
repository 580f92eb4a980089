#pragma once

#include "CardCommand.h"

#include <map>

namespace orvela::sim {

/// One file of the card: a directory (DF) or a transparent or record EF, stored as a flat
/// list keyed by identifier. EF contents have the size given at creation, zero-filled.
struct CardFile {
    std::uint16_t fid = 0;
    std::uint16_t parent = 0;
    std::uint8_t type = 0; ///< file-type byte of the FCP; 38 for a DF
    std::uint16_t size = 0;
    Bytes aid;
    Bytes acl;
    Bytes content;

    bool isDF() const noexcept { return type == kDirectoryType; }
    static constexpr std::uint8_t kDirectoryType = 0x38;
};

/// The card's file tree. Identifiers are unique on the whole card, so SELECT by FID finds a
/// file wherever it is; new files go into the current DF. The master file 3F00 always exists.
class FileSystem {
public:
    static constexpr std::uint16_t kMasterFile = 0x3F00;

    FileSystem();

    /// Back to the master file alone.
    void erase();

    /// Parses a FCP (62 tag with 80 size, 82 type, 83 FID, optional 84 AID, 8A, 8C) and
    /// creates the file in the current DF.
    std::uint16_t create(ByteView fcp);
    std::uint16_t select(std::uint16_t fid);
    /// Up to maxLength bytes from the current EF; the data is empty on failure.
    CardReply read(std::uint16_t offset, std::size_t maxLength) const;
    std::uint16_t update(std::uint16_t offset, ByteView data);

    /// Forgets the selection, as after a power cycle.
    void resetSelection() noexcept { m_current = kMasterFile; }
    std::uint16_t current() const noexcept { return m_current; }

    const std::map<std::uint16_t, CardFile>& files() const noexcept { return m_files; }
    /// Restores a file read back from saved state.
    void restore(CardFile file);

private:
    std::uint16_t currentDF() const;

    std::map<std::uint16_t, CardFile> m_files;
    std::uint16_t m_current = kMasterFile;
};

} // namespace orvela::sim
