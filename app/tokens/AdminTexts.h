#pragma once

#include <QString>

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
