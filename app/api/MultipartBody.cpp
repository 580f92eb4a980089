#include "api/MultipartBody.h"

#include <cstring>

namespace orvela::api {

namespace {

const QByteArray crlf = QByteArrayLiteral("\r\n");

/// A name or file name as it may stand between quotes in a part header: a quote or a line
/// break in it would end the header early (a file name may hold either), so they travel
/// percent-encoded as browsers send them.
QByteArray quotable(const QString& text)
{
    QByteArray out = text.toUtf8();
    out.replace('"', "%22").replace('\r', "%0D").replace('\n', "%0A");
    return out;
}

QByteArray disposition(const QString& name)
{
    return QByteArrayLiteral("Content-Disposition: form-data; name=\"") + quotable(name) + '"';
}

} // namespace

MultipartBody::MultipartBody(const QString& boundary, const QMap<QString, QString>& fields,
                             const QString& fileFieldName, const QString& fileName,
                             const QString& mediaType, const QByteArray& file, QObject* parent)
    : QIODevice(parent), m_file(file)
{
    const QByteArray dashBoundary = QByteArrayLiteral("--") + boundary.toUtf8();
    for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
        m_head +=
            dashBoundary + crlf + disposition(it.key()) + crlf + crlf + it.value().toUtf8() + crlf;
    }
    m_head += dashBoundary + crlf + disposition(fileFieldName) + "; filename=\"" +
              quotable(fileName) + '"' + crlf + "Content-Type: " + quotable(mediaType) + crlf +
              crlf;
    m_tail = crlf + dashBoundary + "--" + crlf;
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

qint64 MultipartBody::size() const
{
    return m_head.size() + m_file.size() + m_tail.size();
}

qint64 MultipartBody::readData(char* data, qint64 maxSize)
{
    qint64 position = pos();
    qint64 copied = 0;
    for (const QByteArray* part : {&m_head, &m_file, &m_tail}) {
        if (copied == maxSize) {
            break;
        }
        if (position >= part->size()) {
            position -= part->size();
            continue;
        }
        const qint64 n = qMin(part->size() - position, maxSize - copied);
        std::memcpy(data + copied, part->constData() + position, static_cast<std::size_t>(n));
        copied += n;
        position = 0;
    }
    return copied;
}

} // namespace orvela::api
