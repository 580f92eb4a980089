// The signed copy on disk: the name it takes in its folder, and writers racing for one name.

#include "SigningFixture.h"

#include <latch>
#include <thread>

using namespace orvela;
using namespace orvela::signingtest;

namespace {

TEST_F(SigningControllerTest, SignedCopiesTakeTheFirstFreeName)
{
    const QString report = writeDocument(QStringLiteral("report.pdf"));
    QStringList saved;
    for (int i = 0; i < 3; ++i) {
        if (i == 2) { // an approval without document number is still downloaded
            scriptStatus(R"({"state":"COMPLETE","endResult":"OK"})");
            m_sim.injectResponse(QStringLiteral("/api/sign-pdf-download"), 200, "application/pdf",
                                 "%PDF-1.7 signed");
        }
        sign(report);
        ASSERT_EQ(m_signing->phase(), Phase::done) << failureText().toStdString();
        saved << QFileInfo(m_signing->savedPath()).fileName();
    }
    EXPECT_EQ(saved,
              (QStringList{"report_signed.pdf", "report_signed (1).pdf", "report_signed (2).pdf"}));
    EXPECT_EQ(readAll(m_signing->savedPath()), "%PDF-1.7 signed");

    // A gap is filled before higher numbers; only the last extension goes; a copy is never
    // hidden; a name past the file system's 255 bytes loses whole characters of its base.
    QDir folder(downloads());
    ASSERT_TRUE(folder.remove("report_signed (1).pdf"));
    const QString x251 = QString(251, u'x') + ".pdf";
    const QString euro83 = QString(83, u'€') + ".pdf"; // 3 bytes each
    // A folder so deep that only a short name still fits in the longest path.
    QString deep = m_dir.filePath("deep");
    while (deep.size() < 3850) {
        deep += u'/' + QString(255, u'd');
    }
    ASSERT_TRUE(QDir().mkpath(deep));
    const struct {
        QString folder;
        QString name;
        QString expected;
    } names[] = {
        {downloads(), "report.pdf", "report_signed (1).pdf"},
        {downloads(), "contract.final.pdf", "contract.final_signed.pdf"},
        {downloads(), "scan", "scan_signed.pdf"},
        {downloads(), ".pdf", "_signed.pdf"},
        {downloads(), "..notes.pdf", "notes_signed.pdf"},
        {downloads(), x251, QString(244, u'x') + "_signed.pdf"},
        {downloads(), x251, QString(240, u'x') + "_signed (1).pdf"},
        {downloads(), euro83, QString(81, u'€') + "_signed.pdf"},
        {deep, x251, "document_signed.pdf"},
    };
    for (const auto& c : names) {
        SCOPED_TRACE(c.name.toStdString());
        EXPECT_EQ(signing::SignedCopyWriter::check(c.folder, c.name, 15), QString());
        const auto copy = signing::SignedCopyWriter::write(c.folder, c.name, "%PDF-1.7 direct");
        EXPECT_EQ(copy.path, QDir(c.folder).filePath(c.expected)) << copy.error.toStdString();
        EXPECT_EQ(readAll(copy.path), "%PDF-1.7 direct");
    }

    // The whole signing of a document with such a name: nothing the phone approved is lost.
    ASSERT_TRUE(QDir(downloads()).removeRecursively());
    m_sim.setApproveAfterMs(200);
    sign(writeDocument(x251));
    ASSERT_EQ(m_signing->phase(), Phase::done) << failureText().toStdString();
    EXPECT_EQ(QFileInfo(m_signing->savedPath()).fileName(), QString(244, u'x') + "_signed.pdf");
}

TEST_F(SigningControllerTest, WritersRacingForOneNameEachKeepTheirOwnCompleteCopy)
{
    // Signings that finish together (the desktop and `orvela sign`, or two runs of the tool)
    // all want "report_signed.pdf"; a copy that takes a name another already took replaces it.
    ASSERT_TRUE(QDir().mkpath(downloads()));
    constexpr int writers = 8;
    QList<QByteArray> copies;
    for (int i = 0; i < writers; ++i) {
        copies << "%PDF-1.7 copy " + QByteArray::number(i) + QByteArray(400'000, char('a' + i));
    }
    std::latch start(writers);
    QList<signing::SignedCopyWriter::Saved> saved(writers);
    std::vector<std::thread> threads;
    for (int i = 0; i < writers; ++i) {
        threads.emplace_back([&, i] {
            start.arrive_and_wait();
            saved[i] = signing::SignedCopyWriter::write(downloads(), "report.pdf", copies[i]);
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    QSet<QString> paths;
    for (int i = 0; i < writers; ++i) {
        EXPECT_TRUE(readAll(saved[i].path) == copies[i]) << i << saved[i].error.toStdString();
        paths.insert(saved[i].path);
    }
    EXPECT_EQ(paths.size(), writers);
    EXPECT_EQ(savedFiles().size(), writers) << savedFiles().join(u' ').toStdString();
}

} // namespace
