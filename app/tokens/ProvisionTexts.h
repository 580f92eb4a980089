#pragma once

#include <QString>

// The provisioning section's texts. The product words them in one language only, on both
// interface languages, so they live here as one set rather than in the string tables.
namespace orvela::tokens::provisionText {

inline constexpr const char* chooseHint =
    "Шинэ токен тохируулах — 2 зам: APDU (SM) эсвэл PKCS#11 (FEITIAN).";
inline constexpr const char* chooseApdu = "APDU тохируулах";
inline constexpr const char* choosePkcs11 = "PKCS#11 тохируулах";

inline constexpr const char* apduPrompt = "PIN болон PUK код тогтооно уу";
inline constexpr const char* userPinField = "User PIN (6-16 тэмдэгт)";
inline constexpr const char* repeatField = "PIN давтах";
inline constexpr const char* soPukField = "SO PIN / PUK (8-16 тэмдэгт)";
inline constexpr const char* apduAction = "Тохируулах";

inline constexpr const char* pkcs11Header = "PKCS#11 provision — factory reset";
inline constexpr const char* pkcs11Warning =
    "Токен бүх түлхүүр, сертификат устана. libcastle.dylib-ээр C_InitToken → C_InitPIN → "
    "C_GenerateKeyPair гүйцэтгэнэ.";
inline constexpr const char* soPinField = "SO PIN (8-16 тэмдэгт)";
inline constexpr const char* userRepeatField = "User PIN давтах";
inline constexpr const char* pkcs11Action = "Factory reset + EC keypair";

inline constexpr const char* apduStarting = "SM session + erase + filesystem + PIN/PUK";
inline constexpr const char* apduPinsSet = "PIN/PUK тогтоогдлоо";
inline constexpr const char* apduKeyGenerating = "Түлхүүр хос үүсгэж байна";
inline constexpr const char* apduSuccess = "Түлхүүр хос үүсгэгдлэа";
inline constexpr const char* pkcs11Starting = "PKCS#11: InitToken → InitPIN → EC keypair";
inline constexpr const char* pkcs11Success = "PKCS#11 provision амжилттай — EC keypair бэлэн";

inline constexpr const char* workingHint =
    "Токен дээр шууд гүйцэтгэнэ — хэсэг хугацаа шаардана.";
inline constexpr const char* workingFallback = "Боловсруулж байна...";

inline constexpr const char* doneTitle = "Токен амжилттай тохируулагдлаа!";
inline constexpr const char* doneText =
    "PIN тогтоогдсон. Түлхүүр хос үүсгэгдсэн. Одоо гарын үсэг зурахад бэлэн.";
inline constexpr const char* startOver = "Шинэ тохиргоо";

inline QString text(const char* constant)
{
    return QString::fromUtf8(constant);
}

} // namespace orvela::tokens::provisionText
