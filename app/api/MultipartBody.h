#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QMap>
#include <QString>

namespace orvela::api {

/// A multipart/form-data body read straight from its parts: the text fields and the file's
/// header, the document itself (shared, never copied) and the closing boundary.
class MultipartBody : public QIODevice {
    Q_OBJECT
public:
    /// `fields` come first, then the file.
    MultipartBody(const QString& boundary, const QMap<QString, QString>& fields,
                  const QString& fileFieldName, const QString& fileName, const QString& mediaType,
                  const QByteArray& file, QObject* parent = nullptr);

    bool isSequential() const override { return false; }
    qint64 size() const override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray m_head;
    QByteArray m_file;
    QByteArray m_tail;
};

} // namespace orvela::api
