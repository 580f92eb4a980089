// Reading and hashing a document in chunks: the digest and the bytes must not depend on where
// the chunks end, and only a regular file that starts like a PDF is taken.

#include "signing/DocumentHash.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using orvela::signing::DocumentHash;

namespace {

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    EXPECT_EQ(file.write(bytes), bytes.size());
    return path;
}

/// `size` bytes that start like a PDF (at least its five-byte signature).
QByteArray patterned(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 7919) >> 3);
    }
    return bytes.replace(0, 5, "%PDF-");
}

TEST(DocumentHash, BytesAndDigestAreExactAcrossChunkEdges)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // The signature alone, just around a 256 KiB chunk, and several chunks with a ragged end.
    for (const qsizetype size : {5, 262'143, 262'144, 262'145, 3 * 1024 * 1024 + 17}) {
        SCOPED_TRACE(size);
        const QByteArray bytes = patterned(size);
        const DocumentHash document =
            DocumentHash::read(writeFile(dir, QStringLiteral("doc.pdf"), bytes), 26'214'400);
        ASSERT_EQ(document.status, DocumentHash::Status::ok);
        EXPECT_EQ(document.bytes, bytes);
        EXPECT_EQ(document.digest, QCryptographicHash::hash(bytes, QCryptographicHash::Sha256));
    }
}

TEST(DocumentHash, OnlyARegularFileThatStartsLikeAPdfIsTaken)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString fifo = dir.filePath("pipe.pdf"); // opening it would wait for a writer forever
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString pdf = writeFile(dir, "a.pdf", "%PDF-1.7\n");
    ASSERT_TRUE(QFile::link(pdf, dir.filePath("link.pdf")));
    using Status = DocumentHash::Status;
    const struct {
        QString path;
        Status status;
    } cases[] = {
        {pdf, Status::ok},
        {dir.filePath("link.pdf"), Status::ok},
        {dir.filePath("none.pdf"), Status::unreadable},
        {dir.path(), Status::notRegularFile},
        {fifo, Status::notRegularFile},
        {QStringLiteral("/dev/zero"), Status::notRegularFile}, // a device never ends
        {writeFile(dir, "empty.pdf", ""), Status::notPdf},
        {writeFile(dir, "short.pdf", "%PDF"), Status::notPdf},
        {writeFile(dir, "word.pdf", "PK\x03\x04 %PDF-1.7"), Status::notPdf},
        {writeFile(dir, "late.pdf", " %PDF-1.7\n"), Status::notPdf},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const DocumentHash document = DocumentHash::read(c.path, 1000);
        EXPECT_EQ(document.status, c.status);
        EXPECT_EQ(document.bytes.isEmpty(), c.status != Status::ok);
    }
    EXPECT_EQ(DocumentHash::read(dir.filePath("none.pdf"), 1000).errorString,
              "No such file or directory");
}

} // namespace
