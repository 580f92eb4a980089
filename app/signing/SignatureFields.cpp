#include "signing/SignatureFields.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <set>

namespace orvela::signing {

namespace {

QString utf8(const std::string& text)
{
    return QString::fromStdString(text);
}

std::optional<std::vector<long long>> integers(QPDFObjectHandle array)
{
    if (!array.isArray()) {
        return std::nullopt;
    }
    std::vector<long long> values;
    for (QPDFObjectHandle item : array.aitems()) {
        if (!item.isInteger()) {
            return std::nullopt;
        }
        values.push_back(item.getIntValue());
    }
    return values;
}

RawSignature rawSignature(QPDFFormFieldObjectHelper field, QPDFObjectHandle value)
{
    RawSignature raw;
    raw.fieldName = utf8(field.getFullyQualifiedName());
    QPDFObjectHandle subFilter = value.getKey("/SubFilter");
    raw.subFilter = subFilter.isName() ? utf8(subFilter.getName()).mid(1) : QString();
    raw.documentTimestamp =
        value.getKey("/Type").isNameAndEquals("/DocTimeStamp") || raw.subFilter == u"ETSI.RFC3161";
    raw.byteRange = integers(value.getKey("/ByteRange"));
    QPDFObjectHandle contents = value.getKey("/Contents");
    if (contents.isString()) {
        raw.contents = contents.getStringValue();
    }
    QPDFObjectHandle time = value.getKey("/M");
    if (time.isString()) {
        raw.pdfTime = utf8(time.getUTF8Value());
    }
    return raw;
}

} // namespace

std::vector<RawSignature> readSignatures(QPDF& pdf, std::size_t limit)
{
    std::vector<RawSignature> found;
    QPDFAcroFormDocumentHelper form(pdf);
    std::set<QPDFObjGen> seen;
    for (QPDFFormFieldObjectHelper field : form.getFormFields()) {
        if (field.getFieldType() != "/Sig") {
            continue;
        }
        QPDFObjectHandle value = field.getInheritableFieldValue("/V");
        // A field may be listed more than once (a widget and its parent); count its value once.
        if (!value.isDictionary() ||
            (value.isIndirect() && !seen.insert(value.getObjGen()).second)) {
            continue;
        }
        found.push_back(rawSignature(field, value));
        if (found.size() > limit) {
            break;
        }
    }
    return found;
}

} // namespace orvela::signing
