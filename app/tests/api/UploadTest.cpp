// The signing upload: the multipart body byte for byte, and the simulator's checks behind it.

#include "MultipartForm.h"
#include "TestSupport.h"
#include "api/MultipartBody.h"
#include "api/SignPdfStartResponse.h"

#include <QCryptographicHash>
#include <QRegularExpression>

using namespace orvela;
using namespace orvela::api;
using orvela::apitest::ApiFixture;
using orvela::apitest::waitUntil;

namespace {

QByteArray document()
{
    QByteArray pdf = "%PDF-1.7\n";
    for (int i = 0; i < 5000; ++i) {
        pdf += static_cast<char>(i * 31 % 256);
    }
    return pdf + "\r\n--not-a-boundary\r\n%%EOF\n";
}

class UploadTest : public ApiFixture {
protected:
    void SetUp() override
    {
        ApiFixture::SetUp();
        ASSERT_NE(m_sim->start(), 0);
        pointAt(*m_sim);
        m_client = makeClient();
    }

    SignPdfStartResponse startSigning(const QByteArray& pdf)
    {
        const QString digest = QString::fromLatin1(
            QCryptographicHash::hash(pdf, QCryptographicHash::Sha256).toBase64());
        const auto reply = sendAndWait<SignPdfStartResponse>(
            *m_client, Endpoint::signPdfStart("PNOMN-1", digest, "a.pdf"));
        EXPECT_TRUE(reply.ok());
        return reply.ok() ? reply.value() : SignPdfStartResponse{};
    }

    CallResult<QByteArray> uploadAndWait(const QMap<QString, QString>& fields,
                                         const QString& fileName, const QByteArray& pdf)
    {
        std::optional<CallResult<QByteArray>> result;
        m_client->upload("/api/sign-pdf-download", fields, "file", fileName, "application/pdf", pdf,
                         &m_context, [&](CallResult<QByteArray> r) { result.emplace(r); });
        EXPECT_TRUE(waitUntil([&] { return result.has_value(); }));
        return result.value_or(CallResult<QByteArray>(APIError::invalidResponse()));
    }

    std::unique_ptr<APIClient> m_client;
};

TEST_F(UploadTest, BodyIsTheExactMultipartLayoutAndTheSignedDocumentComesBack)
{
    const QByteArray pdf = document();
    const auto session = startSigning(pdf);
    const QMap<QString, QString> fields{{"sessionId", session.sessionId},
                                        {"pollToken", *session.pollToken}};
    const auto signedPdf = uploadAndWait(fields, "гэрээ.pdf", pdf);
    ASSERT_TRUE(signedPdf.ok()) << errorMessage(signedPdf.error()).toStdString();
    EXPECT_TRUE(signedPdf.value().startsWith(pdf));
    EXPECT_TRUE(signedPdf.value().mid(pdf.size()).contains("Orvela-Sim-Signature"));

    const auto request = m_sim->requestsTo("/api/sign-pdf-download").value(0);
    EXPECT_EQ(request.method, "POST");
    const QByteArray type = request.header("Content-Type");
    const QRegularExpression shape(
        "^multipart/form-data; boundary=(Boundary-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-"
        "[0-9A-F]{4}-[0-9A-F]{12})$");
    const auto match = shape.match(QString::fromLatin1(type));
    ASSERT_TRUE(match.hasMatch()) << type.toStdString();
    const QByteArray b = match.captured(1).toLatin1();

    QByteArray expected;
    for (auto it = fields.cbegin(); it != fields.cend(); ++it) {
        expected += "--" + b + "\r\nContent-Disposition: form-data; name=\"" + it.key().toUtf8() +
                    "\"\r\n\r\n" + it.value().toUtf8() + "\r\n";
    }
    expected += "--" + b +
                "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"гэрээ.pdf\"\r\n"
                "Content-Type: application/pdf\r\n\r\n" +
                pdf + "\r\n--" + b + "--\r\n";
    EXPECT_EQ(request.body, expected);
    EXPECT_EQ(request.header("Content-Length"), QByteArray::number(expected.size()));

    // Every upload has a boundary of its own.
    uploadAndWait(fields, "гэрээ.pdf", pdf);
    EXPECT_NE(m_sim->requestsTo("/api/sign-pdf-download").value(1).header("Content-Type"), type);
}

// The simulator's own checks, which the signing tests rely on.
TEST_F(UploadTest, SimulatorRefusesAWrongTokenOrAChangedDocument)
{
    const QByteArray pdf = document();
    const auto session = startSigning(pdf);
    const auto wrongToken =
        uploadAndWait({{"sessionId", session.sessionId}, {"pollToken", "nope"}}, "a.pdf", pdf);
    EXPECT_EQ(errorMessage(wrongToken.error()), "Сервер алдаа (403): invalid poll token");

    QByteArray changed = pdf;
    changed[100] = static_cast<char>(changed[100] ^ 1);
    const auto mismatch = uploadAndWait(
        {{"sessionId", session.sessionId}, {"pollToken", *session.pollToken}}, "a.pdf", changed);
    EXPECT_EQ(errorMessage(mismatch.error()), "Сервер алдаа (409): digest mismatch");
}

TEST_F(UploadTest, QuotesAndLineBreaksInAFileNameCannotForgeHeaders)
{
    uploadAndWait({}, "a\"\r\nX-Evil: 1.pdf", "x");
    const auto request = m_sim->requestsTo("/api/sign-pdf-download").value(0);
    EXPECT_TRUE(request.body.contains("filename=\"a%22%0D%0AX-Evil: 1.pdf\"\r\n"));
    const auto form =
        backendsim::MultipartForm::parse(request.header("Content-Type"), request.body);
    ASSERT_TRUE(form.has_value());
    EXPECT_EQ(form->file, "x");
}

TEST(MultipartBodyDevice, ReadsTheSameBytesInAnyChunkingAndAfterAReset)
{
    const QByteArray file = document();
    MultipartBody body("B", {{"k", "v"}}, "file", "f.pdf", "application/pdf", file);
    const QByteArray whole = body.readAll();
    EXPECT_EQ(whole.size(), body.size());
    EXPECT_TRUE(whole.endsWith("\r\n--B--\r\n"));
    for (const qint64 chunk : {1, 7, 4096}) {
        ASSERT_TRUE(body.reset());
        QByteArray pieces;
        while (!body.atEnd()) {
            pieces += body.read(chunk);
        }
        EXPECT_EQ(pieces, whole) << chunk;
    }
    ASSERT_TRUE(body.seek(whole.size() - 5));
    EXPECT_EQ(body.readAll(), whole.right(5));
}

} // namespace
