// Every verdict of the PDF signature check over one table: genuine files made with the test
// signer, and the attacks of "How To Spoof PDF Signatures" (universal forgery, incremental
// saving, signature wrapping) made from them by pades-tool. Each row is checked three ways: the
// library's report, `orvela verify` (exit status and JSON verdict, and its Mongolian report
// free of English), and for genuine rows poppler's pdfsig, an independent verifier.

#include "../support/InterfaceLanguage.h"
#include "../support/QtPrinters.h"
#include "Pades.h"
#include "signing/PdfSignatureVerifier.h"
#include "signing/SignatureTexts.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <map>

using namespace orvela;
using namespace orvela::signing;
namespace pades = orvela::pades;

namespace {

enum class Base {
    genuine,
    weakDigest,
    timestamped,
    signedTwice,
    documentTimestamp,
    expiredSigner,
    unsigned_,
    filledReference,
    truncated
};

struct Row {
    const char* name;
    Base base;
    const char* attack; ///< pades-tool attack on the genuine file, or null
    bool trustAuthority;
    Verdict verdict;
    Problem problem; ///< of the last signature, or of the document when it has none
    QList<Change> changes;
    bool timeProved;
    int exitStatus;
    bool pdfsigValid; ///< pdfsig must call every signature valid
};

// clang-format off
const Row kRows[] = {
    {"genuine", Base::genuine, nullptr, true, Verdict::valid, Problem::none, {}, false, 0, true},
    {"genuine-unknown-authority", Base::genuine, nullptr, false, Verdict::notTrusted, Problem::none, {}, false, 3, true},
    {"timestamped", Base::timestamped, nullptr, true, Verdict::valid, Problem::none, {}, true, 0, true},
    {"timestamp-unknown-authority", Base::timestamped, nullptr, false, Verdict::notTrusted, Problem::none, {}, false, 3, true},
    {"weak-digest", Base::weakDigest, nullptr, true, Verdict::invalid, Problem::weakDigest, {}, false, 5, false},
    {"second-signature", Base::signedTwice, nullptr, true, Verdict::valid, Problem::none, {}, false, 0, true},
    {"document-timestamp", Base::documentTimestamp, nullptr, true, Verdict::valid, Problem::none, {}, true, 0, false},
    {"expired-signer", Base::expiredSigner, nullptr, true, Verdict::invalid, Problem::signerNotValidAtSigningTime, {}, false, 5, false},
    {"unsigned", Base::unsigned_, nullptr, true, Verdict::invalid, Problem::noSignatures, {}, false, 5, false},
    {"truncated", Base::truncated, nullptr, true, Verdict::invalid, Problem::notPdf, {}, false, 5, false},
    {"usf-contents-empty", Base::genuine, "contents-empty", true, Verdict::invalid, Problem::contentsMissing, {}, false, 5, false},
    {"usf-contents-null", Base::genuine, "contents-null", true, Verdict::invalid, Problem::contentsMissing, {}, false, 5, false},
    {"usf-contents-missing", Base::genuine, "contents-missing", true, Verdict::invalid, Problem::contentsMissing, {}, false, 5, false},
    {"usf-byterange-missing", Base::genuine, "byterange-missing", true, Verdict::invalid, Problem::byteRangeMalformed, {}, false, 5, false},
    {"usf-byterange-short", Base::genuine, "byterange-short", true, Verdict::invalid, Problem::byteRangeMalformed, {}, false, 5, false},
    {"usf-byterange-overlap", Base::genuine, "byterange-overlap", true, Verdict::invalid, Problem::byteRangeMalformed, {}, false, 5, false},
    {"usf-byterange-outside", Base::genuine, "byterange-outside", true, Verdict::invalid, Problem::byteRangeOutsideFile, {}, false, 5, false},
    {"usf-byterange-huge", Base::genuine, "byterange-huge", true, Verdict::invalid, Problem::byteRangeOutsideFile, {}, false, 5, false},
    {"isa-filled-reference", Base::filledReference, nullptr, true, Verdict::changed, Problem::none, {Change::pageContent}, false, 4, false},
    {"isa-page-content", Base::genuine, "append-page-content", true, Verdict::changed, Problem::none, {Change::pageContent}, false, 4, false},
    {"isa-catalogue", Base::genuine, "append-catalogue", true, Verdict::changed, Problem::none, {Change::catalogue}, false, 4, false},
    {"isa-annotation", Base::genuine, "append-annotation", true, Verdict::changed, Problem::none, {Change::annotation}, false, 4, false},
    {"swa-moved-part", Base::genuine, "wrap-moved-part", true, Verdict::invalid, Problem::digestMismatch, {}, false, 5, false},
    {"swa-gap-objects", Base::genuine, "wrap-gap-objects", true, Verdict::invalid, Problem::gapNotSignature, {}, false, 5, false},
};
// clang-format on

struct ToolRun {
    int exitStatus = -1;
    QString out;
};

ToolRun run(const QString& program, const QStringList& args)
{
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(60000)) {
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput())};
}

void write(const QString& path, const std::string& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

class PdfSignatureVerifyTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = new QTemporaryDir;
        const auto authority = pades::makeAuthority("Orvela Test Authority");
        const auto signer = pades::issueSigner(authority, "AA00112233", "Bat-Erdene Dorj");
        const auto stamper = pades::issueTimestamper(authority, "Orvela Test Timestamps");
        // Expired a year before it signs.
        const auto expired = pades::issueSigner(
            authority, "AA00112233", "Bat-Erdene Dorj", pades::KeyKind::ecP256,
            {std::chrono::system_clock::now() - std::chrono::hours(24 * 800), 365});
        const std::string sample = pades::samplePdf("Contract");
        pades::SignOptions withChain;
        withChain.chain = {authority};
        pades::SignOptions sha1;
        sha1.weakDigest = true;
        pades::SignOptions withTimestamp;
        withTimestamp.timestamper = stamper;
        const std::string genuine = pades::signPdf(sample, signer, withChain);
        // A document prepared with a page that draws an object nobody defined, signed, and
        // then given that object in a later revision.
        const std::string prepared = pades::appendRevision(
            sample, {{3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents [4 0 R "
                         "60 0 R] /Resources << /Font << /F1 5 0 R >> >> >>"}});
        const std::string filled = pades::appendRevision(
            pades::signPdf(prepared, signer),
            {{60, "<< /Length 40 >>\nstream\nBT /F1 24 Tf 72 650 Td (Paid) Tj ET\nendstream"}});
        const std::map<Base, std::string> bases = {
            {Base::genuine, genuine},
            {Base::weakDigest, pades::signPdf(sample, signer, sha1)},
            {Base::timestamped, pades::signPdf(sample, signer, withTimestamp)},
            {Base::signedTwice, pades::signPdf(genuine, signer)},
            {Base::documentTimestamp, pades::timestampPdf(genuine, stamper)},
            {Base::expiredSigner, pades::signPdf(sample, expired)},
            {Base::unsigned_, sample},
            {Base::filledReference, filled},
            {Base::truncated, genuine.substr(0, genuine.size() / 2)},
        };
        for (const auto& [base, bytes] : bases) {
            write(basePath(base), bytes);
        }
        write(s_dir->filePath("ca.pem"), authority.certificatePem());
    }

    static void TearDownTestSuite() { delete s_dir; }

    static QString basePath(Base base)
    {
        return s_dir->filePath(QStringLiteral("base-%1.pdf").arg(static_cast<int>(base)));
    }

    static QByteArray authorityPem()
    {
        QFile file(s_dir->filePath("ca.pem"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static QTemporaryDir* s_dir;
};

QTemporaryDir* PdfSignatureVerifyTest::s_dir = nullptr;

void expectReport(const Row& row, const PdfSignatureReport& report)
{
    EXPECT_EQ(verdictName(report.verdict), verdictName(row.verdict));
    if (report.signatures.isEmpty()) {
        EXPECT_EQ(problemName(report.problem), problemName(row.problem));
        return;
    }
    const SignatureEntry& last = report.signatures.back();
    EXPECT_EQ(problemName(last.problem), problemName(row.problem));
    EXPECT_EQ(last.changes, row.changes);
    EXPECT_EQ(last.provedTime.has_value(), row.timeProved);
    if (row.problem == Problem::none && last.kind == SignatureEntry::Kind::signature) {
        EXPECT_EQ(last.signer.identifier, QStringLiteral("AA00112233"));
        EXPECT_EQ(last.signer.name, QStringLiteral("Bat-Erdene Dorj"));
        EXPECT_TRUE(last.claimedTime.has_value());
        EXPECT_EQ(last.coversWholeDocument, row.changes.isEmpty());
    }
    // Every earlier signature stays as good as the document allows.
    for (const SignatureEntry& entry : report.signatures) {
        EXPECT_GE(static_cast<int>(row.verdict), static_cast<int>(entry.verdict));
    }
}

void expectPdfsigValid(const QString& path, const PdfSignatureReport& report)
{
    const QString pdfsig = QStandardPaths::findExecutable(QStringLiteral("pdfsig"));
    if (pdfsig.isEmpty()) {
        return; // poppler-utils absent: the independent check is skipped, nothing else
    }
    const ToolRun checked = run(pdfsig, {path});
    EXPECT_EQ(checked.out.count(QStringLiteral("Signature is Valid.")), report.signatures.size())
        << checked.out.toStdString();
}

} // namespace

TEST_F(PdfSignatureVerifyTest, EveryGenuineAndAttackedFileGetsItsVerdict)
{
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        QString path = basePath(row.base);
        if (row.attack != nullptr) {
            path = s_dir->filePath(QStringLiteral("%1.pdf").arg(QLatin1String(row.name)));
            ASSERT_EQ(run(QStringLiteral(ORVELA_PADES_TOOL_PATH),
                          {"attack", row.attack, basePath(row.base), path})
                          .exitStatus,
                      0);
        }
        VerifyOptions options;
        options.trustPem = row.trustAuthority ? authorityPem() : QByteArray();
        const PdfSignatureReport report = verifyPdfFile(path, options);
        expectReport(row, report);
        if (row.pdfsigValid) {
            expectPdfsigValid(path, report);
        }

        QStringList args{"--lang", "mn", "verify", path};
        if (row.trustAuthority) {
            args << "--trust" << s_dir->filePath("ca.pem");
        }
        const ToolRun json = run(QStringLiteral(ORVELA_CLI_PATH), args + QStringList{"--json"});
        EXPECT_EQ(json.exitStatus, row.exitStatus);
        EXPECT_EQ(QJsonDocument::fromJson(json.out.toUtf8()).object().value("verdict").toString(),
                  verdictName(row.verdict));
        const ToolRun text = run(QStringLiteral(ORVELA_CLI_PATH), args);
        EXPECT_EQ(text.exitStatus, row.exitStatus);
        const QStringList kept{"Bat-Erdene Dorj",
                               "Orvela Test Authority",
                               "Orvela Test Timestamps",
                               "Orvela test",
                               "Signature1",
                               "Signature2",
                               "serialNumber"};
        EXPECT_FALSE(orvela::testing::isForeign(text.out, common::AppLanguage::mn, kept))
            << text.out.toStdString();
    }
}
