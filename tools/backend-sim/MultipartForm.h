#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <optional>

namespace orvela::backendsim {

/// A parsed multipart/form-data body.
struct MultipartForm {
    QMap<QString, QByteArray> fields;
    QString fileField;
    QString fileName;
    QByteArray fileContentType;
    QByteArray file;

    /// Parses a body against the boundary of its Content-Type; nothing when it is malformed.
    static std::optional<MultipartForm> parse(const QByteArray& contentType,
                                              const QByteArray& body);
};

} // namespace orvela::backendsim
