#pragma once

#include "common/AppLanguage.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <variant>

namespace orvela::common {

class LocalizationService;

/// Caps on what may be read from a local file or standard input, each what such an input can
/// legitimately be.
namespace inputLimit {
/// A certificate file, PEM or DER: real ones are a few KiB, chains with comments a few dozen.
constexpr qint64 certificate = 4 * 1024 * 1024;
/// A certificate to store in a token object: its DER holds at most 65535 bytes, its PEM text
/// about four thirds of that.
constexpr qint64 tokenCertificate = 128 * 1024;
/// A document whose digest is signed: the largest document the service signs.
constexpr qint64 document = 25 * 1024 * 1024;
/// A PDF that is only looked at (its first page drawn, its signatures checked): a signed copy of
/// a scanned contract with attachments may be far larger than what the service signs.
constexpr qint64 viewedDocument = 100 * 1024 * 1024;
} // namespace inputLimit

/// Why local input was not taken.
struct LocalInputError {
    enum class Kind {
        cannotOpen,     ///< missing, no permission and the like; `reason` says which
        notRegularFile, ///< a directory, FIFO, socket or device
        tooLarge,       ///< more than `limit` bytes
        readFailed,     ///< an error while reading; `reason` says which
    };
    Kind kind;
    QString source; ///< the path, or empty for standard input
    QString reason; ///< the system's words, for cannotOpen and readFailed
    qint64 limit = 0;

    bool operator==(const LocalInputError&) const = default;
};

/// The bytes read, or why not.
using LocalInput = std::variant<QByteArray, LocalInputError>;

/// The whole of a regular file of at most `limit` bytes. Anything else (a FIFO, a device, a
/// directory) is refused without waiting on it, and the read stops one byte past the cap, so a
/// file that grows while it is read cannot run the process out of memory.
LocalInput readLocalFile(const QString& path, qint64 limit);

/// Why `path` would not be read by readLocalFile with the same `limit`, without reading it: for
/// a reader of its own that keeps to the same bounds.
std::optional<LocalInputError> checkLocalFile(const QString& path, qint64 limit);

/// Standard input up to its end, at most `limit` bytes; a directory is refused.
LocalInput readStandardInput(qint64 limit);

/// The error in the interface language, naming the file (or standard input) and the cause.
QString localInputMessage(const LocalInputError& error, const LocalizationService& texts);
/// The same in `language`, from the built-in tables.
QString localInputMessage(const LocalInputError& error, AppLanguage language);

} // namespace orvela::common
