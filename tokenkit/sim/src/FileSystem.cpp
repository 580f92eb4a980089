#include "FileSystem.h"

#include <optional>

namespace orvela::sim {

namespace {

// Whole-card memory for file contents, so that a runaway creator cannot exhaust the host.
constexpr std::size_t kCardMemory = 64 * 1024;

struct Fcp {
    std::optional<std::uint16_t> size;
    std::optional<std::uint8_t> type;
    std::optional<std::uint16_t> fid;
    Bytes aid;
    Bytes acl;
};

std::uint16_t bigEndian(ByteView value)
{
    return static_cast<std::uint16_t>(value[0] << 8 | value[1]);
}

std::optional<Fcp> parseFcp(ByteView fcp)
{
    if (fcp.size() < 2 || fcp[0] != 0x62 || fcp[1] != fcp.size() - 2) {
        return std::nullopt;
    }
    Fcp parsed;
    for (std::size_t pos = 2; pos < fcp.size();) {
        if (pos + 2 > fcp.size() || pos + 2 + fcp[pos + 1] > fcp.size()) {
            return std::nullopt;
        }
        const std::uint8_t tag = fcp[pos];
        const ByteView value = fcp.subspan(pos + 2, fcp[pos + 1]);
        pos += 2 + value.size();
        if (tag == 0x80 && value.size() == 2) {
            parsed.size = bigEndian(value);
        } else if (tag == 0x82 && !value.empty()) {
            parsed.type = value[0];
        } else if (tag == 0x83 && value.size() == 2) {
            parsed.fid = bigEndian(value);
        } else if (tag == 0x84) {
            parsed.aid = tokenkit::toBytes(value);
        } else if (tag == 0x8C) {
            parsed.acl = tokenkit::toBytes(value);
        } else if (tag != 0x8A) {
            return std::nullopt;
        }
    }
    if (!parsed.size || !parsed.type || !parsed.fid) {
        return std::nullopt;
    }
    return parsed;
}

} // namespace

FileSystem::FileSystem()
{
    erase();
}

void FileSystem::erase()
{
    m_files.clear();
    CardFile master;
    master.fid = kMasterFile;
    master.parent = kMasterFile;
    master.type = CardFile::kDirectoryType;
    m_files.emplace(kMasterFile, std::move(master));
    m_current = kMasterFile;
}

std::uint16_t FileSystem::currentDF() const
{
    const CardFile& file = m_files.at(m_current);
    return file.isDF() ? file.fid : file.parent;
}

std::uint16_t FileSystem::create(ByteView fcp)
{
    const auto parsed = parseFcp(fcp);
    if (!parsed) {
        return sw::wrongData;
    }
    if (*parsed->fid == kMasterFile || *parsed->fid == 0xFFFF || m_files.count(*parsed->fid)) {
        return sw::fileExists;
    }
    std::size_t used = 0;
    for (const auto& [fid, file] : m_files) {
        used += file.content.size();
    }
    const bool isDF = *parsed->type == CardFile::kDirectoryType;
    if (!isDF && used + *parsed->size > kCardMemory) {
        return sw::notEnoughMemory;
    }
    CardFile file;
    file.fid = *parsed->fid;
    file.parent = currentDF();
    file.type = *parsed->type;
    file.size = *parsed->size;
    file.aid = parsed->aid;
    file.acl = parsed->acl;
    if (!isDF) {
        file.content.assign(file.size, 0x00);
    }
    m_files.emplace(file.fid, std::move(file));
    return sw::ok;
}

std::uint16_t FileSystem::select(std::uint16_t fid)
{
    if (!m_files.count(fid)) {
        return sw::fileNotFound;
    }
    m_current = fid;
    return sw::ok;
}

CardReply FileSystem::read(std::uint16_t offset, std::size_t maxLength) const
{
    const CardFile& file = m_files.at(m_current);
    if (file.isDF()) {
        return CardReply::status(sw::noCurrentEF);
    }
    if (offset >= file.content.size()) {
        return CardReply::status(sw::wrongOffset);
    }
    const std::size_t length = std::min(maxLength, file.content.size() - offset);
    const auto begin = file.content.begin() + offset;
    return CardReply::ok(Bytes(begin, begin + static_cast<std::ptrdiff_t>(length)));
}

std::uint16_t FileSystem::update(std::uint16_t offset, ByteView data)
{
    CardFile& file = m_files.at(m_current);
    if (file.isDF()) {
        return sw::noCurrentEF;
    }
    if (data.empty()) {
        return sw::wrongLength;
    }
    if (offset + data.size() > file.content.size()) {
        return sw::wrongOffset;
    }
    std::copy(data.begin(), data.end(), file.content.begin() + offset);
    return sw::ok;
}

void FileSystem::restore(CardFile file)
{
    if (!file.isDF()) {
        file.content.resize(file.size, 0x00);
    }
    const std::uint16_t fid = file.fid;
    m_files[fid] = std::move(file);
}

} // namespace orvela::sim
