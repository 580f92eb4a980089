#include "common/AtomicFile.h"

#include <QSaveFile>

namespace orvela::common {

std::optional<QString> writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    // Unbuffered, and written until every byte is taken: a write the disk takes only part of is
    // continued, so the one that then fails gives the system's reason ("No space left on
    // device") rather than an unknown error.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return file.errorString();
    }
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0) {
            return file.errorString();
        }
        written += n;
    }
    if (!file.commit()) {
        return file.errorString();
    }
    return std::nullopt;
}

} // namespace orvela::common
