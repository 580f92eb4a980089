#include "Pades.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>

namespace orvela::pades {

namespace {

/// The offset the last "startxref" of `pdf` names.
long long lastStartXref(const std::string& pdf)
{
    const std::size_t at = pdf.rfind("startxref");
    if (at == std::string::npos) {
        throw PadesError("the PDF has no startxref");
    }
    std::size_t pos = at + 9;
    while (pos < pdf.size() && std::isspace(static_cast<unsigned char>(pdf[pos]))) {
        ++pos;
    }
    long long offset = 0;
    bool any = false;
    while (pos < pdf.size() && std::isdigit(static_cast<unsigned char>(pdf[pos]))) {
        offset = offset * 10 + (pdf[pos++] - '0');
        any = true;
        if (offset > static_cast<long long>(pdf.size())) {
            break;
        }
    }
    if (!any || offset >= static_cast<long long>(pdf.size())) {
        throw PadesError("the PDF's startxref is not an offset in it");
    }
    return offset;
}

struct TrailerFacts {
    int size = 0;
    std::string keep; ///< "/Root 1 0 R /Info ..." carried into the next trailer
};

TrailerFacts trailerFacts(const std::string& pdf)
{
    try {
        QPDF qpdf;
        qpdf.setSuppressWarnings(true);
        qpdf.processMemoryFile("input", pdf.data(), pdf.size());
        QPDFObjectHandle trailer = qpdf.getTrailer();
        if (trailer.hasKey("/Encrypt")) {
            throw PadesError("an encrypted PDF cannot be signed here");
        }
        TrailerFacts facts;
        const int counted = static_cast<int>(qpdf.getObjectCount()) + 1;
        facts.size = std::max(trailer.getKey("/Size").getIntValueAsInt(), counted);
        for (const char* key : {"/Root", "/Info", "/ID"}) {
            if (trailer.hasKey(key)) {
                facts.keep += std::string(" ") + key + " " + trailer.getKey(key).unparse();
            }
        }
        return facts;
    } catch (const QPDFExc& e) {
        throw PadesError(std::string("unreadable PDF: ") + e.what());
    } catch (const std::runtime_error& e) {
        if (dynamic_cast<const PadesError*>(&e) != nullptr) {
            throw;
        }
        throw PadesError(std::string("unreadable PDF: ") + e.what());
    }
}

std::string xrefEntry(std::size_t offset)
{
    char line[21];
    std::snprintf(line, sizeof line, "%010zu 00000 n\r\n", offset);
    return line;
}

std::string pdfLiteral(const std::string& text)
{
    std::string out = "(";
    for (char c : text) {
        if (c == '(' || c == ')' || c == '\\') {
            out += '\\';
        }
        out += c;
    }
    return out + ")";
}

} // namespace

int nextObjectNumber(const std::string& pdf)
{
    return trailerFacts(pdf).size;
}

std::string appendRevision(const std::string& pdf, const std::vector<RevisionObject>& objects)
{
    const TrailerFacts facts = trailerFacts(pdf);
    const long long previous = lastStartXref(pdf);
    std::string out = pdf;
    if (!out.empty() && out.back() != '\n') {
        out += '\n';
    }
    std::map<int, std::size_t> offsets;
    int size = facts.size;
    for (const RevisionObject& object : objects) {
        offsets[object.number] = out.size();
        out += std::to_string(object.number) + " 0 obj\n" + object.body + "\nendobj\n";
        size = std::max(size, object.number + 1);
    }
    const std::size_t xref = out.size();
    out += "xref\n";
    for (auto it = offsets.begin(); it != offsets.end();) {
        auto end = it;
        int count = 0;
        while (end != offsets.end() && end->first == it->first + count) {
            ++end;
            ++count;
        }
        out += std::to_string(it->first) + " " + std::to_string(count) + "\n";
        for (; it != end; ++it) {
            out += xrefEntry(it->second);
        }
    }
    out += "trailer\n<< /Size " + std::to_string(size) + facts.keep + " /Prev " +
           std::to_string(previous) + " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return out;
}

std::string samplePdf(const std::string& text, std::size_t minimumSize)
{
    const std::string content = "BT /F1 24 Tf 72 760 Td " + pdfLiteral(text) + " Tj ET";
    std::vector<std::string> bodies = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R "
        "/Resources << /Font << /F1 5 0 R >> >> >>",
        "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    };
    if (minimumSize > 0) {
        // Filler the page never shows, so that large documents can be made on demand.
        std::string filler(minimumSize, ' ');
        for (std::size_t i = 0; i < filler.size(); ++i) {
            filler[i] = static_cast<char>('a' + (i * 7919 % 26));
        }
        bodies.push_back("<< /Length " + std::to_string(filler.size()) + " >>\nstream\n" + filler +
                         "\nendstream");
    }
    std::string out = "%PDF-1.7\n%\xe2\xe3\xcf\xd3\n";
    std::vector<std::size_t> offsets;
    for (std::size_t i = 0; i < bodies.size(); ++i) {
        offsets.push_back(out.size());
        out += std::to_string(i + 1) + " 0 obj\n" + bodies[i] + "\nendobj\n";
    }
    const std::size_t xref = out.size();
    out += "xref\n0 " + std::to_string(bodies.size() + 1) + "\n0000000000 65535 f\r\n";
    for (std::size_t offset : offsets) {
        out += xrefEntry(offset);
    }
    out += "trailer\n<< /Size " + std::to_string(bodies.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
    return out;
}

} // namespace orvela::pades
