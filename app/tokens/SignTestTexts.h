#pragma once

#include <QString>

// The sign test's texts that the product words in one language only, on both interface
// languages; the rest come from the string tables.
namespace orvela::tokens::signTestText {

inline constexpr const char* hint =
    "Файл сонгож SHA-256 hash тооцоод токеноор ECDSA гарын үсэг зурна.";
inline constexpr const char* apduMode = "APDU (SM)";
inline constexpr const char* pkcs11Mode = "PKCS#11 (FEITIAN)";
inline constexpr const char* apduDescription =
    "OrvelaTokenKit SM mutual auth + APDU sign (PIN токены өөрийнх).";
inline constexpr const char* pkcs11Description =
    "FEITIAN Castle драйвер (libcastle.1.0.0.dylib)-аар дамжина.";
inline constexpr const char* chooserTitle = "Гарын үсэг зурах файл сонгоно уу";
inline constexpr const char* readFailed = "Файл уншиx алдаа: ";
inline constexpr const char* hashField = "SHA-256:";
inline constexpr const char* hashPlaceholder = "Файлын SHA-256 hash";
inline constexpr const char* pinField = "User PIN";
inline constexpr const char* keyLabelPlaceholder = "(хоосон бол эхний түлхүүр)";
inline constexpr const char* hashLength = "SHA-256 hash 32 байт (64 hex тэмдэгт) байх ёстой.";

inline QString text(const char* constant)
{
    return QString::fromUtf8(constant);
}

} // namespace orvela::tokens::signTestText
