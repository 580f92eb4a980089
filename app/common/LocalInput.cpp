#include "common/LocalInput.h"

#include "common/LocalizationService.h"
#include "common/LocalizationTables.h"

#include <QFile>
#include <QLocale>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace orvela::common {

namespace {

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

/// Reads the descriptor to its end or to one byte past the cap, whichever comes first.
LocalInput readBounded(int fd, const QString& source, qint64 limit)
{
    QByteArray data;
    constexpr qint64 kChunk = 64 * 1024;
    for (;;) {
        const qint64 room = std::min(kChunk, limit + 1 - data.size());
        const qsizetype before = data.size();
        data.resize(before + room);
        const ssize_t got = ::read(fd, data.data() + before, static_cast<std::size_t>(room));
        if (got < 0 && errno == EINTR) {
            data.resize(before);
            continue;
        }
        if (got < 0) {
            return LocalInputError{LocalInputError::Kind::readFailed, source, systemReason(errno),
                                   0};
        }
        data.resize(before + got);
        if (data.size() > limit) {
            return LocalInputError{LocalInputError::Kind::tooLarge, source, {}, limit};
        }
        if (got == 0) {
            return data;
        }
    }
}

/// Closes the descriptor when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

/// Opens `path` for reading if it is a regular file of at most `limit` bytes; `error` says why
/// not, and the descriptor is then -1.
int openRegularFile(const QString& path, qint64 limit, std::optional<LocalInputError>& error)
{
    // Non-blocking, so that opening a FIFO returns at once instead of waiting for a writer;
    // fstat then tells what was opened, with no window for the name to change in between.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = LocalInputError{LocalInputError::Kind::cannotOpen, path, systemReason(errno), 0};
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        error = LocalInputError{LocalInputError::Kind::cannotOpen, path, systemReason(errno), 0};
    } else if (!S_ISREG(info.st_mode)) {
        error = LocalInputError{LocalInputError::Kind::notRegularFile, path, {}, 0};
    } else if (info.st_size > limit) {
        error = LocalInputError{LocalInputError::Kind::tooLarge, path, {}, limit};
    }
    if (error) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

LocalInput readLocalFile(const QString& path, qint64 limit)
{
    std::optional<LocalInputError> error;
    const Descriptor file(openRegularFile(path, limit, error));
    if (error) {
        return *error;
    }
    return readBounded(file.get(), path, limit);
}

std::optional<LocalInputError> checkLocalFile(const QString& path, qint64 limit)
{
    std::optional<LocalInputError> error;
    const Descriptor file(openRegularFile(path, limit, error));
    return error;
}

LocalInput readStandardInput(qint64 limit)
{
    struct stat info {};
    if (::fstat(STDIN_FILENO, &info) != 0) {
        return LocalInputError{LocalInputError::Kind::cannotOpen, {}, systemReason(errno), 0};
    }
    if (S_ISDIR(info.st_mode)) {
        return LocalInputError{LocalInputError::Kind::notRegularFile, {}, {}, 0};
    }
    return readBounded(STDIN_FILENO, {}, limit);
}

namespace {

/// The message of `error` with its fixed words from `text` (key to text).
template <class Lookup> QString inputMessage(const LocalInputError& error, const Lookup& text)
{
    const QString source = error.source.isEmpty() ? text("Input_StandardInput") : error.source;
    const QString because = QStringLiteral(" (") + error.reason + u')';
    switch (error.kind) {
    case LocalInputError::Kind::cannotOpen:
        return text("Input_CannotOpen") + QStringLiteral(": ") + source + because;
    case LocalInputError::Kind::notRegularFile:
        return text("Input_NotRegularFile") + QStringLiteral(": ") + source;
    case LocalInputError::Kind::tooLarge:
        return text("Input_TooLarge") + u' ' +
               QLocale::c().formattedDataSize(error.limit, 0, QLocale::DataSizeIecFormat) +
               QStringLiteral(": ") + source;
    case LocalInputError::Kind::readFailed:
        return text("Input_ReadFailed") + QStringLiteral(": ") + source + because;
    }
    return {};
}

} // namespace

QString localInputMessage(const LocalInputError& error, const LocalizationService& texts)
{
    return inputMessage(
        error, [&texts](const char* key) { return texts.localized(QString::fromLatin1(key)); });
}

QString localInputMessage(const LocalInputError& error, AppLanguage language)
{
    return inputMessage(error, [language](const char* key) {
        return builtInText(QString::fromLatin1(key), language);
    });
}

} // namespace orvela::common
