#include "MultipartForm.h"

namespace orvela::backendsim {

namespace {

QByteArray boundaryOf(const QByteArray& contentType)
{
    const QByteArray marker = "boundary=";
    const qsizetype at = contentType.indexOf(marker);
    if (!contentType.startsWith("multipart/form-data") || at < 0) {
        return {};
    }
    return contentType.mid(at + marker.size()).trimmed();
}

/// The quoted parameter `key="…"` of a Content-Disposition line.
std::optional<QString> parameter(const QByteArray& disposition, const QByteArray& key)
{
    const QByteArray marker = key + "=\"";
    qsizetype at = disposition.indexOf("; " + marker);
    if (at < 0) {
        return std::nullopt;
    }
    at += 2 + marker.size();
    const qsizetype end = disposition.indexOf('"', at);
    if (end < 0) {
        return std::nullopt;
    }
    return QString::fromUtf8(disposition.mid(at, end - at));
}

} // namespace

std::optional<MultipartForm> MultipartForm::parse(const QByteArray& contentType,
                                                  const QByteArray& body)
{
    const QByteArray boundary = boundaryOf(contentType);
    if (boundary.isEmpty()) {
        return std::nullopt;
    }
    const QByteArray delimiter = "--" + boundary;
    const QByteArray separator = "\r\n" + delimiter;
    if (!body.startsWith(delimiter + "\r\n") || !body.endsWith(separator + "--\r\n")) {
        return std::nullopt;
    }
    MultipartForm form;
    qsizetype at = delimiter.size() + 2;
    const qsizetype end = body.size() - separator.size() - 4;
    while (at <= end) {
        qsizetype next = body.indexOf(separator + "\r\n", at);
        if (next < 0 || next > end) {
            next = end;
        }
        const qsizetype headerEnd = body.indexOf("\r\n\r\n", at);
        if (headerEnd < 0 || headerEnd > next) {
            return std::nullopt;
        }
        const QList<QByteArray> headers = body.mid(at, headerEnd - at).split('\n');
        const QByteArray content = body.mid(headerEnd + 4, next - headerEnd - 4);
        QByteArray disposition;
        QByteArray type;
        for (QByteArray line : headers) {
            line = line.trimmed();
            if (line.startsWith("Content-Disposition: form-data")) {
                disposition = line;
            } else if (line.startsWith("Content-Type: ")) {
                type = line.mid(14);
            }
        }
        const auto name = parameter(disposition, "name");
        if (!name) {
            return std::nullopt;
        }
        if (const auto fileName = parameter(disposition, "filename")) {
            form.fileField = *name;
            form.fileName = *fileName;
            form.fileContentType = type;
            form.file = content;
        } else {
            form.fields.insert(*name, content);
        }
        at = next + separator.size() + 2;
    }
    return form;
}

} // namespace orvela::backendsim
