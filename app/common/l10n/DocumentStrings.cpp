#include "common/l10n/DocumentStrings.h"

#include <iterator>

namespace orvela::common::l10n {

namespace {

// clang-format off
constexpr StringRow kDocumentRows[] = {
    {"Preview_Name",
     "Preview of the first page",
     "Эхний хуудасны харагдац"},
    {"Preview_Rendering",
     "Drawing the first page…",
     "Эхний хуудсыг зурж байна…"},
    {"Preview_Failed",
     "The first page cannot be shown: the file is not a readable PDF.",
     "Эхний хуудсыг харуулах боломжгүй: файл уншигдах PDF биш байна."},
    {"Sign_Preview_Caption",
     "The document you are signing",
     "Таны гарын үсэг зурах баримт"},
    {"Verify_Pdf_Hint",
     "A signed PDF can be dropped or chosen too: its signatures are checked.",
     "Гарын үсэгтэй PDF файлыг ч мөн чирж тавих эсвэл сонгож болно: гарын үсгийг нь шалгана."},
    {"Verify_Pdf_Checking",
     "Checking the signatures…",
     "Гарын үсгийг шалгаж байна…"},
    {"Verify_Pdf_Section_Signatures",
     "Signatures",
     "Гарын үсгүүд"},
    {"Verify_Pdf_Signature_Number",
     "Signature %1",
     "Гарын үсэг %1"},
    {"Verify_Pdf_Overall_Valid",
     "Every signature is valid",
     "Бүх гарын үсэг хүчинтэй"},
    {"Verify_Pdf_Overall_Untrusted",
     "The signatures are valid, but a signer is not trusted",
     "Гарын үсэг хүчинтэй боловч гарын үсэг зурсан этгээд итгэмжлэгдээгүй"},
    {"Verify_Pdf_Overall_Changed",
     "The document was changed after it was signed",
     "Баримтыг гарын үсэг зурсны дараа өөрчилсөн"},
    {"Verify_Pdf_Overall_Invalid",
     "A signature is invalid",
     "Хүчингүй гарын үсэг байна"},
    {"Verify_Pdf_Overall_Unsigned",
     "The document has no signatures",
     "Баримтад гарын үсэг алга"},
    {"Verify_Pdf_Overall_Unchecked",
     "The signatures could not be checked",
     "Гарын үсгийг шалгаж чадсангүй"},
    {"Verify_Pdf_Verdict_Valid",
     "Valid",
     "Хүчинтэй"},
    {"Verify_Pdf_Verdict_Untrusted",
     "Valid, signer not trusted",
     "Хүчинтэй, зурсан этгээд итгэмжлэгдээгүй"},
    {"Verify_Pdf_Verdict_Changed",
     "Changed after signing",
     "Гарын үсэг зурсны дараа өөрчлөгдсөн"},
    {"Verify_Pdf_Verdict_Invalid",
     "Invalid: %1",
     "Хүчингүй: %1"},
    {"Verify_Pdf_Reason_ContentAltered",
     "the signed content was altered",
     "гарын үсэг зурсан агуулга өөрчлөгдсөн"},
    {"Verify_Pdf_Reason_SignatureMismatch",
     "the signature does not match the signer's key",
     "гарын үсэг нь зурсан этгээдийн түлхүүртэй тохирохгүй"},
    {"Verify_Pdf_Reason_CertificateNotValid",
     "the signer's certificate was not valid when it signed",
     "гарын үсэг зурах үед зурсан этгээдийн гэрчилгээ хүчингүй байсан"},
    {"Verify_Pdf_Reason_Unsupported",
     "the signature's kind is not supported",
     "гарын үсгийн энэ төрлийг дэмждэггүй"},
    {"Verify_Pdf_Reason_Malformed",
     "the signature is damaged",
     "гарын үсэг гэмтсэн"},
    {"Verify_Pdf_Field_Signer",
     "Signer",
     "Гарын үсэг зурсан"},
    {"Verify_Pdf_Field_Identifier",
     "Identifier",
     "Таних дугаар"},
    {"Verify_Pdf_Field_ClaimedTime",
     "Time the signer stated",
     "Зурсан этгээдийн заасан цаг"},
    {"Verify_Pdf_Field_ProvedTime",
     "Time proved by a timestamp",
     "Цагийн тамгаар нотлогдсон цаг"},
    {"Verify_Pdf_NoTimestamp",
     "none: the document carries no timestamp for this signature",
     "байхгүй: энэ гарын үсэгт цагийн тамга дараагүй"},
    {"Verify_Pdf_NoTime",
     "not stated",
     "заагаагүй"},
    {"Verify_Pdf_Field_Coverage",
     "Covers",
     "Хамрах хүрээ"},
    {"Verify_Pdf_Coverage_Whole",
     "the whole document",
     "баримтыг бүхэлд нь"},
    {"Verify_Pdf_Coverage_ChangedAfter",
     "the document as it was when signed; it was changed afterwards",
     "гарын үсэг зурах үеийн баримтыг; түүнээс хойш өөрчлөгдсөн"},
};
// clang-format on

static_assert(allRowsFilled(kDocumentRows), "every document text is filled in");

} // namespace

std::span<const StringRow> documentStringRows()
{
    return kDocumentRows;
}

} // namespace orvela::common::l10n
