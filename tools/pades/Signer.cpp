#include "OpenSslSupport.h"
#include "PdfText.h"

#include <ctime>
#include <functional>
#include <openssl/ess.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <set>

namespace orvela::pades {
using namespace detail;
using namespace text;

namespace {

// Room for "[0 b c d]" with offsets of up to ten digits each.
constexpr std::size_t byteRangeWidth = 48;

std::string freeFieldName(QPDFObjectHandle fields)
{
    std::set<std::string> taken;
    if (fields.isArray()) {
        for (QPDFObjectHandle field : fields.aitems()) {
            if (field.isDictionary() && field.getKey("/T").isString()) {
                taken.insert(field.getKey("/T").getUTF8Value());
            }
        }
    }
    for (int n = 1;; ++n) {
        const std::string name = "Signature" + std::to_string(n);
        if (taken.count(name) == 0) {
            return name;
        }
    }
}

/// The objects of a signature revision: the page with the widget added, the form (or the
/// catalogue holding it), the merged field and widget, and last the signature dictionary.
std::vector<RevisionObject> signatureObjects(const std::string& pdf, std::string fieldName,
                                             const std::string& signatureBody)
{
    QPDF qpdf;
    qpdf.setSuppressWarnings(true);
    qpdf.processMemoryFile("input", pdf.data(), pdf.size());
    const int next = nextObjectNumber(pdf);
    const int sigNo = next, widgetNo = next + 1, formNo = next + 2;
    QPDFObjectHandle root = qpdf.getRoot();
    std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(qpdf).getAllPages();
    if (pages.empty()) {
        throw PadesError("the PDF has no page");
    }
    QPDFObjectHandle page = pages.front().getObjectHandle();
    QPDFObjectHandle form = root.getKey("/AcroForm");
    if (fieldName.empty()) {
        fieldName = freeFieldName(form.isDictionary() ? form.getKey("/Fields")
                                                      : QPDFObjectHandle::newNull());
    }
    std::vector<RevisionObject> objects;
    objects.push_back({page.getObjectID(),
                       rewritten(page, {"/Annots"},
                                 " /Annots " + itemsOf(page.getKey("/Annots"), ref(widgetNo)))});
    const std::string formText =
        form.isDictionary()
            ? rewritten(form, {"/Fields", "/SigFlags"},
                        " /Fields " + itemsOf(form.getKey("/Fields"), ref(widgetNo)) +
                            " /SigFlags 3")
            : "<< /Fields [" + ref(widgetNo) + "] /SigFlags 3 >>";
    if (form.isDictionary() && form.isIndirect()) {
        objects.push_back({form.getObjectID(), formText});
    } else if (form.isDictionary()) {
        objects.push_back(
            {root.getObjectID(), rewritten(root, {"/AcroForm"}, " /AcroForm " + formText)});
    } else {
        objects.push_back({formNo, formText});
        objects.push_back(
            {root.getObjectID(), rewritten(root, {"/AcroForm"}, " /AcroForm " + ref(formNo))});
    }
    objects.push_back({widgetNo, "<< /Type /Annot /Subtype /Widget /FT /Sig /T " +
                                     QPDFObjectHandle::newUnicodeString(fieldName).unparse() +
                                     " /V " + ref(sigNo) + " /P " + ref(page.getObjectID()) +
                                     " /Rect [0 0 0 0] /F 132 >>"});
    objects.push_back({sigNo, signatureBody});
    return objects;
}

/// Appends a signature revision whose dictionary starts with `head`, fills its /ByteRange,
/// and puts `contentsOf(signed bytes)` (DER) into its /Contents.
std::string addSignature(const std::string& pdf, const std::string& fieldName,
                         const std::string& head, std::size_t reserved,
                         const std::function<std::string(const std::string&)>& contentsOf)
{
    const std::string body = "<< " + head + " /ByteRange [0 0 0 0" +
                             std::string(byteRangeWidth - 9, ' ') + "] /Contents <" +
                             std::string(2 * reserved, '0') + "> >>";
    std::string out;
    try {
        out = appendRevision(pdf, signatureObjects(pdf, fieldName, body));
    } catch (const std::exception& e) {
        if (dynamic_cast<const PadesError*>(&e) != nullptr) {
            throw;
        }
        throw PadesError(std::string("unreadable PDF: ") + e.what());
    }
    const std::size_t rangeAt = out.find("/ByteRange [0 0 0 0", pdf.size()) + 11;
    const std::size_t gapStart = out.find("/Contents <", rangeAt) + 10;
    const std::size_t gapEnd = gapStart + 2 * reserved + 2;
    std::string range = "[0 " + std::to_string(gapStart) + " " + std::to_string(gapEnd) + " " +
                        std::to_string(out.size() - gapEnd) + "]";
    range.insert(range.size() - 1, byteRangeWidth - range.size(), ' ');
    out.replace(rangeAt, byteRangeWidth, range);

    const std::string der =
        contentsOf(out.substr(0, gapStart) + out.substr(gapEnd, out.size() - gapEnd));
    if (der.size() > reserved) {
        throw PadesError("the signature needs " + std::to_string(der.size()) + " bytes but only " +
                         std::to_string(reserved) + " are reserved");
    }
    static const char hex[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < der.size(); ++i) {
        const auto byte = static_cast<unsigned char>(der[i]);
        out[gapStart + 1 + 2 * i] = hex[byte >> 4];
        out[gapStart + 2 + 2 * i] = hex[byte & 0xf];
    }
    return out;
}

void addSignedAttributes(CMS_SignerInfo* signer, const Credential& credential,
                         std::chrono::system_clock::time_point signingTime)
{
    Owned<ASN1_TIME, ASN1_TIME_free> time(
        check(ASN1_TIME_adj(nullptr, std::chrono::system_clock::to_time_t(signingTime), 0, 0),
              "signing time"));
    check(CMS_signed_add1_attr_by_NID(signer, NID_pkcs9_signingTime, time->type, time.get(), -1),
          "signingTime attribute");
    Owned<ESS_SIGNING_CERT_V2, ESS_SIGNING_CERT_V2_free> essCert(check(
        OSSL_ESS_signing_cert_v2_new_init(EVP_sha256(), credential.certificate.get(), nullptr, 0),
        "signing certificate"));
    unsigned char* der = nullptr;
    const int size = i2d_ESS_SIGNING_CERT_V2(essCert.get(), &der);
    check(size, "encoding the signing certificate");
    const int added = CMS_signed_add1_attr_by_NID(signer, NID_id_smime_aa_signingCertificateV2,
                                                  V_ASN1_SEQUENCE, der, size);
    OPENSSL_free(der);
    check(added, "signingCertificateV2 attribute");
}

void addTimestamp(CMS_SignerInfo* signer, const Credential& timestamper,
                  std::chrono::system_clock::time_point time)
{
    const ASN1_OCTET_STRING* value = CMS_SignerInfo_get0_signature(signer);
    const std::string signature(reinterpret_cast<const char*>(ASN1_STRING_get0_data(value)),
                                static_cast<std::size_t>(ASN1_STRING_length(value)));
    const std::string token = timestampToken(timestamper, sha256(signature), time);
    check(CMS_unsigned_add1_attr_by_NID(signer, NID_id_smime_aa_timeStampToken, V_ASN1_SEQUENCE,
                                        token.data(), static_cast<int>(token.size())),
          "timestamp attribute");
}

std::string cmsSignature(const std::string& data, const Credential& signer,
                         const SignOptions& options)
{
    constexpr unsigned int flags = CMS_DETACHED | CMS_BINARY | CMS_NOSMIMECAP;
    CmsPtr cms(check(CMS_sign(nullptr, nullptr, nullptr, nullptr, flags | CMS_PARTIAL), "CMS"));
    CMS_SignerInfo* info =
        check(CMS_add1_signer(cms.get(), signer.certificate.get(), signer.key.get(),
                              options.weakDigest ? EVP_sha1() : EVP_sha256(), flags),
              "CMS signer");
    for (const Credential& extra : options.chain) {
        check(CMS_add1_cert(cms.get(), extra.certificate.get()), "CMS certificate");
    }
    addSignedAttributes(info, signer, options.signingTime);
    BioPtr bio(BIO_new_mem_buf(data.data(), static_cast<int>(data.size())));
    check(CMS_final(cms.get(), bio.get(), nullptr, flags), "signing");
    if (options.timestamper) {
        addTimestamp(info, *options.timestamper, options.signingTime);
    }
    BioPtr out(BIO_new(BIO_s_mem()));
    check(i2d_CMS_bio(out.get(), cms.get()), "encoding the signature");
    return bioBytes(out.get());
}

std::string pdfDate(std::chrono::system_clock::time_point time)
{
    const time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "(D:%Y%m%d%H%M%SZ)", &utc);
    return text;
}

} // namespace

std::string signPdf(const std::string& pdf, const Credential& signer, const SignOptions& options)
{
    const std::string head = "/Type /Sig /Filter /Adobe.PPKLite /SubFilter /ETSI.CAdES.detached "
                             "/M " +
                             pdfDate(options.signingTime);
    return addSignature(
        pdf, options.fieldName, head, options.reservedSize,
        [&](const std::string& data) { return cmsSignature(data, signer, options); });
}

std::string timestampPdf(const std::string& pdf, const Credential& timestamper,
                         std::size_t reservedSize)
{
    const std::string head = "/Type /DocTimeStamp /Filter /Adobe.PPKLite /SubFilter /ETSI.RFC3161";
    return addSignature(pdf, {}, head, reservedSize, [&](const std::string& data) {
        return timestampToken(timestamper, sha256(data));
    });
}

} // namespace orvela::pades
