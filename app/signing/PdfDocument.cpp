#include "signing/PdfDocument.h"

#include "signing/RevisionDiff.h"

#include <qpdf/QPDF.hh>

namespace orvela::signing {

namespace {

std::unique_ptr<QPDF> openPdf(QByteArrayView bytes, const char* description)
{
    auto pdf = std::make_unique<QPDF>();
    pdf->setSuppressWarnings(true);
    // Repairing a broken file means scanning it for objects: slow, and it reads what the
    // signer never wrote. A file that needs it is not judged.
    pdf->setAttemptRecovery(false);
    pdf->processMemoryFile(description, bytes.data(), static_cast<std::size_t>(bytes.size()));
    return pdf;
}

} // namespace

PdfDocument::PdfDocument(QByteArrayView bytes) : m_pdf(openPdf(bytes, "document")) {}

PdfDocument::~PdfDocument() = default;

std::vector<RawSignature> PdfDocument::signatures(std::size_t limit)
{
    return readSignatures(*m_pdf, limit);
}

QList<Change> PdfDocument::changesSince(QByteArrayView signedRevision)
{
    const auto before = openPdf(signedRevision, "signed revision");
    return changesAfter(*before, *m_pdf);
}

} // namespace orvela::signing
