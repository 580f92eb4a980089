#pragma once

#include "signing/ChangeKind.h"
#include "signing/SignatureFields.h"

#include <QByteArrayView>
#include <QList>
#include <memory>

class QPDF;

namespace orvela::signing {

/// A PDF as qpdf reads it, strictly: no repair of a broken file. The only door to qpdf, so
/// that its headers stay in the few files that need them. Every member throws what qpdf throws.
class PdfDocument {
public:
    /// Reads `bytes` in place; they must outlive the document.
    explicit PdfDocument(QByteArrayView bytes);
    ~PdfDocument();
    PdfDocument(const PdfDocument&) = delete;
    PdfDocument& operator=(const PdfDocument&) = delete;

    /// The signed signature fields' values, at most `limit` + 1 of them.
    std::vector<RawSignature> signatures(std::size_t limit);

    /// What this document changed beyond `signedRevision`, a prefix of its bytes that ends a
    /// revision, other than adding signatures and validation data.
    QList<Change> changesSince(QByteArrayView signedRevision);

private:
    std::unique_ptr<QPDF> m_pdf;
};

} // namespace orvela::signing
