#include "components/PdfPageRenderer.h"

#include "common/LocalInput.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <poppler-qt6.h>

namespace orvela::components {

namespace {

/// Poppler writes what it finds wrong in a file to standard error; a damaged file is an
/// ordinary outcome here, which the preview says in its own words.
void silencePoppler()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Poppler::setDebugErrorFunction([](const QString&, const QVariant&) {}, QVariant());
    });
}

/// The resolution at which a page of `points` (1/72 inch) just fits `pixels`.
double fittingDpi(QSizeF points, QSize pixels)
{
    const QSize box =
        pixels.boundedTo(QSize(PdfPageRenderer::maxPixels, PdfPageRenderer::maxPixels))
            .expandedTo(QSize(1, 1));
    const double scale = std::min(box.width() / points.width(), box.height() / points.height());
    return 72.0 * scale;
}

} // namespace

PdfPageImage PdfPageRenderer::renderFirstPage(const QString& path, QSize pixels)
{
    const common::LocalInput input =
        common::readLocalFile(path, common::inputLimit::viewedDocument);
    const auto* bytes = std::get_if<QByteArray>(&input);
    if (bytes == nullptr) {
        return {PdfPageImage::Status::unreadable, {}};
    }
    return renderFirstPage(*bytes, pixels);
}

PdfPageImage PdfPageRenderer::renderFirstPage(const QByteArray& pdf, QSize pixels)
{
    if (pdf.size() > common::inputLimit::viewedDocument) {
        return {PdfPageImage::Status::unreadable, {}};
    }
    silencePoppler();
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(pdf);
    if (!document || document->isLocked() || document->numPages() < 1) {
        return {};
    }
    document->setRenderHint(Poppler::Document::Antialiasing);
    document->setRenderHint(Poppler::Document::TextAntialiasing);
    const std::unique_ptr<Poppler::Page> page = document->page(0);
    const QSizeF points = page ? page->pageSizeF() : QSizeF();
    if (points.isEmpty()) {
        return {};
    }
    QImage image = page->renderToImage(fittingDpi(points, pixels), fittingDpi(points, pixels));
    if (image.isNull()) {
        return {};
    }
    return {PdfPageImage::Status::rendered, std::move(image)};
}

} // namespace orvela::components
