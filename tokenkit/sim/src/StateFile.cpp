#include "StateFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvela::sim {

namespace {

constexpr const char* kMagic = "orvela-virtual-token 1";
constexpr std::size_t kTransportKeyLength = 16;
constexpr std::size_t kSecretLength = 24;

std::string hexOrDash(ByteView bytes)
{
    return bytes.empty() ? "-" : tokenkit::bytesToHex(bytes);
}

Bytes fromHexOrDash(const std::string& text)
{
    if (text == "-") {
        return {};
    }
    Bytes bytes = tokenkit::hexToBytes(text);
    if (bytes.empty()) {
        throw std::runtime_error("virtual token state: bad hex field");
    }
    return bytes;
}

unsigned long number(std::istringstream& in, unsigned long max)
{
    unsigned long value = 0;
    if (!(in >> value) || value > max) {
        throw std::runtime_error("virtual token state: bad number");
    }
    return value;
}

// Values the card's code relies on (key and secret lengths, counters) are checked here, so
// that a hand-edited file cannot make a later command fail inside the cipher code.
void require(bool condition)
{
    if (!condition) {
        throw std::runtime_error("virtual token state: value out of range");
    }
}

std::string word(std::istringstream& in)
{
    std::string value;
    if (!(in >> value)) {
        throw std::runtime_error("virtual token state: missing field");
    }
    return value;
}

void writeState(std::ostream& out, const CardState& state)
{
    out << kMagic << '\n';
    if (const auto& enc = state.secrets.installedEnc()) {
        out << "transport-enc " << tokenkit::bytesToHex(*enc) << '\n';
    }
    if (const auto& mac = state.secrets.installedMac()) {
        out << "transport-mac " << tokenkit::bytesToHex(*mac) << '\n';
    }
    for (const auto& [number, pin] : state.secrets.pins()) {
        out << "pin " << int(number) << ' ' << int(pin.keyType) << ' ' << pin.maxTries << ' '
            << pin.triesLeft << ' ' << tokenkit::bytesToHex(pin.secret) << '\n';
    }
    for (const auto& [fid, file] : state.files.files()) {
        out << "file " << fid << ' ' << file.parent << ' ' << int(file.type) << ' ' << file.size
            << ' ' << hexOrDash(file.aid) << ' ' << hexOrDash(file.acl) << ' '
            << hexOrDash(file.content) << '\n';
    }
    for (const auto& [id, der] : state.keys.exportPrivate()) {
        out << "key " << int(id) << ' ' << tokenkit::bytesToHex(der) << '\n';
    }
    out << "end\n";
}

void readLine(const std::string& line, CardState& state, std::optional<Bytes>& enc,
              std::optional<Bytes>& mac)
{
    std::istringstream in(line);
    const std::string kind = word(in);
    if (kind == "transport-enc" || kind == "transport-mac") {
        Bytes key = fromHexOrDash(word(in));
        require(key.size() == kTransportKeyLength);
        (kind == "transport-enc" ? enc : mac) = std::move(key);
    } else if (kind == "pin") {
        const auto keyNumber = static_cast<std::uint8_t>(number(in, 0xFF));
        PinRecord pin;
        pin.keyType = static_cast<std::uint8_t>(number(in, 0xFF));
        pin.maxTries = static_cast<int>(number(in, 15));
        pin.triesLeft = static_cast<int>(number(in, 15));
        pin.secret = fromHexOrDash(word(in));
        require(pin.secret.size() == kSecretLength && pin.maxTries > 0 &&
                pin.triesLeft <= pin.maxTries);
        state.secrets.restorePin(keyNumber, std::move(pin));
    } else if (kind == "file") {
        CardFile file;
        file.fid = static_cast<std::uint16_t>(number(in, 0xFFFF));
        file.parent = static_cast<std::uint16_t>(number(in, 0xFFFF));
        file.type = static_cast<std::uint8_t>(number(in, 0xFF));
        file.size = static_cast<std::uint16_t>(number(in, 0xFFFF));
        file.aid = fromHexOrDash(word(in));
        file.acl = fromHexOrDash(word(in));
        file.content = fromHexOrDash(word(in));
        require(file.isDF() ? file.content.empty() : file.content.size() <= file.size);
        state.files.restore(std::move(file));
    } else if (kind == "key") {
        const auto id = static_cast<std::uint8_t>(number(in, 0xFF));
        if (!state.keys.importPrivate(id, fromHexOrDash(word(in)))) {
            throw std::runtime_error("virtual token state: bad key");
        }
    } else {
        throw std::runtime_error("virtual token state: unknown line");
    }
}

bool writeAll(int fd, const std::string& content)
{
    std::size_t written = 0;
    while (written < content.size()) {
        const ssize_t n = ::write(fd, content.data() + written, content.size() - written);
        if (n <= 0) {
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return ::fsync(fd) == 0;
}

} // namespace

StateFile::Lock::Lock(const std::string& statePath)
{
    const std::string lockPath = statePath + ".lock";
    m_fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0) {
        throw std::runtime_error("virtual token state: cannot lock " + lockPath + ": " +
                                 std::strerror(errno));
    }
    while (::flock(m_fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            const int error = errno;
            ::close(m_fd);
            throw std::runtime_error("virtual token state: cannot lock " + lockPath + ": " +
                                     std::strerror(error));
        }
    }
}

StateFile::Lock::~Lock()
{
    if (m_fd >= 0) {
        ::close(m_fd); // releases the flock
    }
}

std::optional<StateFile::Version> StateFile::versionOnDisk() const
{
    struct stat info {};
    if (::stat(m_path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return Version{info.st_dev, info.st_ino, info.st_size,
                   static_cast<long long>(info.st_mtim.tv_sec) * 1'000'000'000LL +
                       info.st_mtim.tv_nsec};
}

bool StateFile::changedOnDisk() const
{
    return versionOnDisk() != m_known;
}

bool StateFile::load(CardState& state)
{
    std::ifstream in(m_path);
    m_known = versionOnDisk();
    if (!in) {
        return false;
    }
    std::string line;
    if (!std::getline(in, line) || line != kMagic) {
        throw std::runtime_error("virtual token state: not a token state file: " + m_path);
    }
    CardState loaded;
    std::optional<Bytes> enc;
    std::optional<Bytes> mac;
    bool ended = false;
    while (std::getline(in, line)) {
        if (line == "end") {
            ended = true;
            break;
        }
        readLine(line, loaded, enc, mac);
    }
    // A file cut short (a copy interrupted by hand) is refused rather than half-loaded.
    if (!ended) {
        throw std::runtime_error("virtual token state: truncated: " + m_path);
    }
    loaded.secrets.restoreTransport(std::move(enc), std::move(mac));
    state = std::move(loaded);
    return true;
}

void StateFile::save(const CardState& state)
{
    std::ostringstream text;
    writeState(text, state);
    // A name of its own: processes saving the same token must not write into each other's file.
    std::string temporary = m_path + ".XXXXXX";
    // mkstemp creates the file owner-only: it holds the token's private keys.
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        throw std::runtime_error("virtual token state: cannot write " + temporary + ": " +
                                 std::strerror(errno));
    }
    const bool ok = writeAll(fd, text.str());
    if (::close(fd) != 0 || !ok) {
        std::remove(temporary.c_str());
        throw std::runtime_error("virtual token state: cannot write " + temporary);
    }
    if (std::rename(temporary.c_str(), m_path.c_str()) != 0) {
        std::remove(temporary.c_str());
        throw std::runtime_error("virtual token state: cannot replace " + m_path);
    }
    m_known = versionOnDisk();
}

} // namespace orvela::sim
