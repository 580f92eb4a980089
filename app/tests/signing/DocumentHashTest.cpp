// Reading and hashing a document in chunks: the digest and the bytes must not depend on where
// the chunks end, and the limit holds exactly.

#include "state/DocumentHash.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using orvela::state::DocumentHash;

namespace {

QString writeFile(const QTemporaryDir& dir, const QByteArray& bytes)
{
    const QString path = dir.filePath(QStringLiteral("doc-%1.pdf").arg(bytes.size()));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    EXPECT_EQ(file.write(bytes), bytes.size());
    return path;
}

QByteArray patterned(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 7919) >> 3);
    }
    return bytes;
}

TEST(DocumentHash, BytesAndDigestAreExactAcrossChunkEdges)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Empty, one byte, just around a 256 KiB chunk, and several chunks with a ragged end.
    for (const qsizetype size : {0, 1, 262'143, 262'144, 262'145, 3 * 1024 * 1024 + 17}) {
        SCOPED_TRACE(size);
        const QByteArray bytes = patterned(size);
        const DocumentHash document = DocumentHash::read(writeFile(dir, bytes), 26'214'400);
        ASSERT_EQ(document.status, DocumentHash::Status::ok);
        EXPECT_EQ(document.bytes, bytes);
        EXPECT_EQ(document.digest, QCryptographicHash::hash(bytes, QCryptographicHash::Sha256));
    }
}

TEST(DocumentHash, TheLimitIsInclusive)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = writeFile(dir, patterned(1000));
    EXPECT_EQ(DocumentHash::read(path, 1000).status, DocumentHash::Status::ok);
    const DocumentHash refused = DocumentHash::read(path, 999);
    EXPECT_EQ(refused.status, DocumentHash::Status::tooLarge);
    EXPECT_TRUE(refused.bytes.isEmpty());
    EXPECT_TRUE(refused.digest.isEmpty());
}

TEST(DocumentHash, AFolderOrAMissingFileIsUnreadableWithTheReason)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const DocumentHash missing = DocumentHash::read(dir.filePath("none.pdf"), 1000);
    EXPECT_EQ(missing.status, DocumentHash::Status::unreadable);
    EXPECT_EQ(missing.errorString, "No such file or directory");
    const DocumentHash folder = DocumentHash::read(dir.path(), 1000);
    EXPECT_EQ(folder.status, DocumentHash::Status::unreadable);
    EXPECT_FALSE(folder.errorString.isEmpty());
}

} // namespace
