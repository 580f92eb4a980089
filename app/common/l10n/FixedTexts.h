#pragma once

#include <QString>
#include <QStringList>

// The texts worded in one language only, shown the same under both interface languages, kept
// together in this one table so that none hides in a screen. Every other text is looked up by
// key in the string tables.

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

inline constexpr const char* workingHint = "Токен дээр шууд гүйцэтгэнэ — хэсэг хугацаа шаардана.";
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

namespace orvela::tokens::admin {

// The administration sections' texts that exist in one wording only; the others come from
// the localisation tables by key.

// Diagnostics.
inline const QString kConnectionTest = QStringLiteral("Холболт тест");
inline const QString kConnectionOk = QStringLiteral("Холболт амжилттай");
inline const QString kConnectionFailed = QStringLiteral("Холболт амжилтгүй");
inline const QString kSlotTest = QStringLiteral("PKCS#11 тест");
inline const QString kSlotTestProgress = QStringLiteral("PKCS#11 слот шалгаж байна...");
inline const QString kSlotsFound = QStringLiteral("Слот олдлоо: ");
inline const QString kSlotTestError = QStringLiteral("PKCS#11 алдаа: ");

// Factory erase.
inline const QString kEraseAction = QStringLiteral("Factory erase");
inline const QString kEraseProgress = QStringLiteral("Токен устгаж байна...");
inline const QString kEraseDone = QStringLiteral("Токен устгагдлаа (factory erase)");
inline const QString kEraseError = QStringLiteral("Erase алдаа: ");

// PIN sections.
inline const QString kChangePinDone = QStringLiteral("User PIN амжилттай солигдлоо.");
inline const QString kUnlockPinDone = QStringLiteral("PIN тайлагдлаа. Шинэ PIN-ээр нэвтэрнэ үү.");
inline const QString kChangeSoPinDone = QStringLiteral("SO PIN амжилттай солигдлоо.");

// Objects and key generation.
inline const QString kImportDone = QStringLiteral("Сертификат импортлогдлоо.");
inline const QString kGenKeyDone = QStringLiteral("Түлхүүр амжилттай үүсгэгдлэа.");

// Certificate request.
inline const QString kCsrHint =
    QStringLiteral("Токен дээрх EC P-256 pubkey-ээр PKCS#10 CSR үүсгэж CA руу илгээнэ.");
inline const QString kCsrRegistryNumber = QStringLiteral("Регистрийн дугаар (CN)");
inline const QString kCsrPin = QStringLiteral("Token PIN");
inline const QString kCsrKeyLabel = QStringLiteral("Key label");
inline const QString kCsrKeyLabelPlaceholder = QStringLiteral("(хоосон бол эхний түлхүүр)");
inline const QString kCsrAction = QStringLiteral("CSR үүсгэж илгээх");
inline const QString kCsrProgress = QStringLiteral("CSR үүсгэж байна...");
inline const QString kCopyCsr = QStringLiteral("Хуулах CSR");

/// The success line of a request whose PEM has `length` characters.
inline QString csrDone(qsizetype length)
{
    return QStringLiteral("CSR үүсгэгдлэа (%1 bytes) — PEM-ийг хуулж CA-д илгээнэ үү").arg(length);
}

} // namespace orvela::tokens::admin

namespace orvela::common::l10n {

/// Every text of this table, for the checks that tell a fixed text from one left untranslated.
inline QStringList fixedTexts()
{
    return {
        tokens::provisionText::text(tokens::provisionText::chooseHint),
        tokens::provisionText::text(tokens::provisionText::chooseApdu),
        tokens::provisionText::text(tokens::provisionText::choosePkcs11),
        tokens::provisionText::text(tokens::provisionText::apduPrompt),
        tokens::provisionText::text(tokens::provisionText::userPinField),
        tokens::provisionText::text(tokens::provisionText::repeatField),
        tokens::provisionText::text(tokens::provisionText::soPukField),
        tokens::provisionText::text(tokens::provisionText::apduAction),
        tokens::provisionText::text(tokens::provisionText::pkcs11Header),
        tokens::provisionText::text(tokens::provisionText::pkcs11Warning),
        tokens::provisionText::text(tokens::provisionText::soPinField),
        tokens::provisionText::text(tokens::provisionText::userRepeatField),
        tokens::provisionText::text(tokens::provisionText::pkcs11Action),
        tokens::provisionText::text(tokens::provisionText::apduStarting),
        tokens::provisionText::text(tokens::provisionText::apduPinsSet),
        tokens::provisionText::text(tokens::provisionText::apduKeyGenerating),
        tokens::provisionText::text(tokens::provisionText::apduSuccess),
        tokens::provisionText::text(tokens::provisionText::pkcs11Starting),
        tokens::provisionText::text(tokens::provisionText::pkcs11Success),
        tokens::provisionText::text(tokens::provisionText::workingHint),
        tokens::provisionText::text(tokens::provisionText::workingFallback),
        tokens::provisionText::text(tokens::provisionText::doneTitle),
        tokens::provisionText::text(tokens::provisionText::doneText),
        tokens::provisionText::text(tokens::provisionText::startOver),
        tokens::signTestText::text(tokens::signTestText::hint),
        tokens::signTestText::text(tokens::signTestText::apduMode),
        tokens::signTestText::text(tokens::signTestText::pkcs11Mode),
        tokens::signTestText::text(tokens::signTestText::apduDescription),
        tokens::signTestText::text(tokens::signTestText::pkcs11Description),
        tokens::signTestText::text(tokens::signTestText::chooserTitle),
        tokens::signTestText::text(tokens::signTestText::readFailed),
        tokens::signTestText::text(tokens::signTestText::hashField),
        tokens::signTestText::text(tokens::signTestText::hashPlaceholder),
        tokens::signTestText::text(tokens::signTestText::pinField),
        tokens::signTestText::text(tokens::signTestText::keyLabelPlaceholder),
        tokens::signTestText::text(tokens::signTestText::hashLength),
        tokens::admin::kConnectionTest,
        tokens::admin::kConnectionOk,
        tokens::admin::kConnectionFailed,
        tokens::admin::kSlotTest,
        tokens::admin::kSlotTestProgress,
        tokens::admin::kSlotsFound,
        tokens::admin::kSlotTestError,
        tokens::admin::kEraseAction,
        tokens::admin::kEraseProgress,
        tokens::admin::kEraseDone,
        tokens::admin::kEraseError,
        tokens::admin::kChangePinDone,
        tokens::admin::kUnlockPinDone,
        tokens::admin::kChangeSoPinDone,
        tokens::admin::kImportDone,
        tokens::admin::kGenKeyDone,
        tokens::admin::kCsrHint,
        tokens::admin::kCsrRegistryNumber,
        tokens::admin::kCsrPin,
        tokens::admin::kCsrKeyLabel,
        tokens::admin::kCsrKeyLabelPlaceholder,
        tokens::admin::kCsrAction,
        tokens::admin::kCsrProgress,
        tokens::admin::kCopyCsr,
    };
}

} // namespace orvela::common::l10n
