#pragma once

#include <QByteArray>
#include <QString>

namespace orvela::testing {

/// A one-page A4 PDF made with Qt's own writer: a heading `title`, a few lines of text and a
/// black bar across the top fifth of the page, so a drawn preview can be told from a blank one.
QByteArray samplePdf(const QString& title);

/// Where on a page of samplePdf the black bar lies, as fractions of the page's width and height.
inline constexpr double sampleBarTop = 0.08;
inline constexpr double sampleBarBottom = 0.16;

} // namespace orvela::testing
