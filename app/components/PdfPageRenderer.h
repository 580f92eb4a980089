#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace orvela::components {

/// The first page of a PDF drawn as a picture, or why it could not be.
struct PdfPageImage {
    enum class Status {
        rendered,   ///< `image` holds the page
        unreadable, ///< not a regular file, larger than the cap, or unreadable
        notRendered ///< read, but not a PDF whose first page could be drawn (damaged, locked)
    };
    Status status = Status::notRendered;
    QImage image;
};

/// Draws the first page of a PDF file to fit a box of pixels. Stateless and safe on any thread:
/// each call opens its own document, so pages are drawn off the interface thread.
class PdfPageRenderer {
public:
    /// The page, scaled to fit within `pixels` with its proportions kept. Only a regular file of
    /// at most common::inputLimit::viewedDocument bytes is read, and no picture larger than
    /// maxPixels on a side is made, whatever the box or the page's declared size.
    static PdfPageImage renderFirstPage(const QString& path, QSize pixels);
    /// The same for a PDF already read (the very bytes a person is about to sign).
    static PdfPageImage renderFirstPage(const QByteArray& pdf, QSize pixels);

    static constexpr int maxPixels = 4096;
};

} // namespace orvela::components
