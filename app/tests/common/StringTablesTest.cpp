#include "common/LocalizationTables.h"
#include "common/l10n/StringRows.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <gtest/gtest.h>
#include <string_view>
#include <vector>

using orvela::common::AppLanguage;
using orvela::common::LocalizationTables;
using orvela::common::StringTable;
using orvela::common::l10n::extraStringRows;
using orvela::common::l10n::mainStringRows;
using orvela::common::l10n::StringRow;

namespace {

struct FixedText {
    const char* key;
    const char* english;
    const char* mongolian;
};

// Texts that are fixed word for word elsewhere (screens quote them, other code compares against
// them); they must be kept byte for byte.
// clang-format off
const FixedText kFixedTexts[] = {
    {"Login_Title", "Sign in", "Нэвтрэх"},
    {"Login_Subtitle", "Sign in with the Nuvia app", "Nuvia аппаар нэвтрэх"},
    {"Login_Tab_NationalId", "National ID", "Регистрийн дугаар"},
    {"Login_Tab_Qr", "QR code", "QR код"},
    {"Login_NationalId_PushHint", "Enter your national or civil registry number. A notification will arrive in the Nuvia app on your phone.", "РД эсвэл иргэний бүртгэлийн дугаараа оруулна уу. Утсан дээрх Nuvia апп-д мэдэгдэл ирнэ."},
    {"Login_NationalId", "National ID", "Регистрийн дугаар (National ID)"},
    {"Login_NationalId_Placeholder", "AA00000000", "AA00000000"},
    {"Login_Initiate", "Sign in", "Нэвтрэх"},
    {"Login_Initiate_Loading", "Reading...", "Уншиж байна..."},
    {"Login_Qr_Hint", "Scan this QR code with the Nuvia app.", "Nuvia апп-аар уг QR кодыг уншуулна уу."},
    {"Login_VerificationCode", "VERIFICATION CODE", "БАТАЛГААЖУУЛАХ КОД"},
    {"Login_Waiting_Title", "Open the Nuvia app", "Nuvia аппаа нээнэ үү"},
    {"Login_Waiting_Subtitle", "A sign-in request has arrived in the Nuvia app on your phone", "Утсан дээрх Nuvia апп-д нэвтрэлтийн хүсэлт ирсэн байна"},
    {"Login_Cancel", "Cancel", "Цуцлах"},
    {"Login_Success_Title", "Success!", "Амжилттай!"},
    {"Login_Success_Subtitle", "Redirecting...", "Шилжүүлж байна..."},
    {"Login_Result_NationalId", "National ID", "Регистрийн дугаар"},
    {"Login_Result_KycLabel", "KYC level", "KYC түвшин"},
    {"Login_Left_Subtitle", "Digital citizen ID system", "Цахим иргэний үнэмлэх систем"},
    {"Login_Left_Safe", "Safe", "Аюулгүй"},
    {"Login_Left_Reliable", "Reliable", "Найдвартай"},
    {"Login_Footer_NewAccount", "Create new account", "Шинэ бүртгэл үүсгэх"},
    {"Login_Footer_Help", "Need help?", "Тусламж хэрэгтэй юу?"},
    {"Nav_Sign", "Signature", "Гарын үсэг"},
    {"Tokens_Title", "USB token management", "USB токен удирдлага"},
    {"Tokens_Subtitle", "Browse connected smart cards / USB tokens, configure them, and enroll certificates.", "Холбогдсон smart card / USB токенуудыг харах, тохируулах, сертификатаар бүртгүүлэх"},
    {"Common_Refresh", "Refresh", "Шинэчлэх"},
    {"Tokens_Connected_Header", "Connected tokens", "Холбогдсон токенууд"},
    {"Tokens_Default_Name", "FEITIAN token", "FEITIAN токен"},
    {"Common_Details", "Details", "Дэлгэрэнгүй"},
    {"Tokens_Empty_Title", "No token found.", "Токен олдсонгүй."},
    {"Nav_Tokens", "Tokens", "Токенууд"},
    {"Tokens_Connected", "Connected", "Холбогдсон"},
    {"Tokens_Disconnected", "Disconnected", "Холбогдоогүй"},
    {"Tokens_Ready", "USB token ready", "USB токен бэлэн"},
    {"Tokens_PlugIn", "Plug in a USB token", "USB токен залгана уу"},
    {"Tokens_Disconnected_Notice", "The token was disconnected. Plug your USB token back in.", "Токен салгагдсан байна. USB токенээ дахин залгана уу."},
    {"Tokens_Info", "Information", "Мэдээлэл"},
    {"Tokens_Info_Name", "Name", "Нэр"},
    {"Tokens_Info_Fips", "FIPS mode", "FIPS горим"},
    {"Tokens_Yes", "Yes", "Тийм"},
    {"Tokens_No", "No", "Үгүй"},
    {"Tokens_Info_Atr", "ATR", "ATR"},
    {"Tokens_Section_Provision", "Configure token", "Токен тохируулах"},
    {"Tokens_Section_ChangePin", "Change PIN", "PIN солих"},
    {"Tokens_ChangePin_Hint", "Update the PIN that unlocks the token's keys.", "Токены түлхүүрийг нээх PIN кодыг шинэчилнэ."},
    {"Tokens_ChangePin_Current", "Current PIN", "Одоогийн PIN"},
    {"Tokens_ChangePin_New", "New PIN", "Шинэ PIN"},
    {"Tokens_ChangePin_Confirm", "Confirm new PIN", "Шинэ PIN давтах"},
    {"Tokens_ChangePin_Action", "Change PIN", "PIN солих"},
    {"Tokens_Section_UnlockPin", "Unlock PIN (SO PIN required)", "PIN тайлах (SO PIN шаардлагатай)"},
    {"Tokens_UnlockPin_Hint", "If the user PIN is locked by too many wrong attempts, unlock it with the admin (SO) PIN and set a new PIN.", "User PIN буруу олон удаа оруулсны улмаас түгжигдсэн бол админ (SO) PIN-ээр тайлж, шинэ PIN тогтооно."},
    {"Tokens_Unlock_SoPin", "Admin (SO) PIN", "Админ (SO) PIN"},
    {"Tokens_Unlock_New", "New user PIN", "Шинэ User PIN"},
    {"Tokens_Unlock_Confirm", "Confirm new user PIN", "Шинэ User PIN давтах"},
    {"Tokens_UnlockPin_Action", "Unlock PIN", "PIN тайлах"},
    {"Tokens_Section_ChangeSoPin", "Change admin (SO) PIN", "Админ (SO) PIN солих"},
    {"Tokens_ChangeSoPin_Hint", "Update the admin PIN used to configure the token and unlock PINs.", "Токеныг тохируулах, PIN тайлахад ашигладаг админ PIN кодыг шинэчилнэ."},
    {"Tokens_SoPin_Current", "Current SO PIN", "Одоогийн SO PIN"},
    {"Tokens_SoPin_New", "New SO PIN", "Шинэ SO PIN"},
    {"Tokens_SoPin_Confirm", "Confirm new SO PIN", "Шинэ SO PIN давтах"},
    {"Tokens_ChangeSoPin_Action", "Change SO PIN", "SO PIN солих"},
    {"Tokens_Objects_Section", "Token objects", "Токены доторх объектууд"},
    {"Tokens_Objects_Pin", "Token PIN", "Токен PIN"},
    {"Tokens_Objects_Load", "Load objects", "Объект ачаалах"},
    {"Tokens_Objects_Empty", "No objects on the token (or not loaded yet).", "Токен дээр объект алга (эсвэл хараахан ачаалаагүй)."},
    {"Tokens_Objects_Delete", "Delete", "Устгах"},
    {"Tokens_Objects_Import", "Import certificate", "Сертификат импортлох"},
    {"Tokens_GenKey_Section", "Generate signing key", "Гарын үсгийн түлхүүр үүсгэх"},
    {"Tokens_GenKey_Hint", "Create an EC P-256 keypair on the token (the signing key for CSR / enrollment).", "Токен дээр EC P-256 түлхүүр хос үүсгэнэ (CSR / enrollment-д ашиглах гарын үсгийн түлхүүр)."},
    {"Tokens_GenKey_Action", "Generate key", "Түлхүүр үүсгэх"},
    {"Tokens_Section_Csr", "CSR → Certificate (submit to backend)", "CSR → Сертификат (backend-д илгээх)"},
    {"Tokens_Section_SignTest", "Signature test", "Гарын үсэг туршилт"},
    {"Sign_PickFile", "Choose file…", "Файл сонгох…"},
    {"Sign_Field_DocName", "Document name", "Баримтын нэр"},
    {"Sign_HashReady", "Hash ready", "Hash бэлэн"},
    {"Sign_KeyLabel", "Key label", "Key label"},
    {"Sign_Action", "Sign", "Гарын үсэг зурах"},
    {"Sign_Copy", "Copy", "Хуулах"},
    {"Sign_Success", "Success", "Амжилттай"},
    {"Verify_Title", "Verify Certificate", "Гэрчилгээ шалгах"},
    {"Verify_Subtitle", "Drop a PEM or DER X.509 certificate, or paste it as text to inspect.", "PEM эсвэл DER хэлбэрийн X.509 гэрчилгээг чирж тавих, эсвэл текстээ буулгаж шалгана."},
    {"Verify_DropZone_Hint", "Drop a PEM/CER/CRT file here — or click the button to choose one.", "PEM/CER/CRT файлыг энд чирж тавь — эсвэл сонгох товчийг дар."},
    {"Verify_PickFile", "Choose file", "Файл сонгох"},
    {"Verify_Clear", "Clear", "Цэвэрлэх"},
    {"Verify_Paste_Hint", "…or paste the PEM:", "Эсвэл PEM-ийг буулга:"},
    {"Verify_Parse", "Parse text", "Текст-ээс уншуулах"},
    {"Verify_Section_Identity", "Subject & issuer", "Эзэмшигч ба бүртгэгч"},
    {"Verify_Field_Subject", "Subject", "Эзэмшигч"},
    {"Verify_Field_Issuer", "Issuer", "Бүртгэгч"},
    {"Verify_Field_Serial", "Serial number", "Сериал дугаар"},
    {"Verify_Section_Validity", "Validity period", "Хүчинтэй хугацаа"},
    {"Verify_Field_NotBefore", "Not before", "Эхэлсэн"},
    {"Verify_Field_NotAfter", "Not after", "Дуусах"},
    {"Verify_Section_Crypto", "Cryptography", "Криптограф"},
    {"Verify_Field_SignatureAlgorithm", "Signature algorithm", "Гарын үсгийн алгоритм"},
    {"Verify_Field_PublicKey", "Public key", "Нийтийн түлхүүр"},
    {"Verify_Section_Fingerprints", "Fingerprints", "Хурууны хээ"},
    {"Verify_Field_Sha256", "SHA-256", "SHA-256"},
    {"Verify_Field_Sha1", "SHA-1", "SHA-1"},
    {"Verify_Field_SpkiSha256", "SPKI SHA-256", "SPKI SHA-256"},
    {"Verify_Section_KeyUsage", "Key usage", "Түлхүүрийн хэрэглээ"},
    {"Verify_Section_San", "SAN — Subject Alternative Names", "SAN — Альтернатив нэр"},
    {"Verify_Validity_Expired", "Expired", "Хугацаа дууссан"},
    {"Verify_Validity_NotYetValid", "Not yet valid", "Хараахан хүчинтэй болоогүй"},
    {"Verify_Validity_Valid", "Valid", "Хүчинтэй"},
    {"MenuBar_SignedIn", "Signed in", "Нэвтэрсэн"},
    {"MenuBar_SignedOut", "Not signed in", "Нэвтрээгүй"},
    {"MenuBar_Open", "Open window", "Цонх нээх"},
    {"MenuBar_Logout", "Log out", "Гарах"},
    {"Settings_Startup_LaunchAtLogin", "Open automatically at login", "Нэвтрэхэд автоматаар нээх"},
    {"Settings_Startup_BackgroundMode", "Tray mode (no window in the taskbar)", "Трей горим (ажлын самбарт цонх харагдахгүй)"},
    {"MenuBar_Quit", "Quit Nuvia", "Nuvia-аас гарах"},
    {"Nav_Dashboard", "Dashboard", "Хяналтын самбар"},
    {"Nav_MyId", "My ID", "Миний ID"},
    {"Nav_Logs", "Log history", "Лог түүх"},
    {"Nav_Devices", "Trusted devices", "Итгэмжит төхөөрөмж"},
    {"Nav_Security", "Security", "Аюулгүй байдал"},
    {"Nav_Children", "Children", "Хүүхдүүд"},
    {"Nav_Support", "Support", "Тусламж"},
    {"Nav_Privacy", "Privacy", "Нууцлал"},
    {"Nav_Lock", "Lock account", "Бүртгэл түгжих"},
    {"Nav_Home", "Home", "Эхлэл"},
    {"Nav_Verify", "Verify Certificate", "Гэрчилгээ шалгах"},
    {"Home_Status_Checking", "Checking…", "Шалгаж байна…"},
    {"Dashboard_Greeting", "Welcome,", "Сайн байна уу,"},
    {"Dashboard_Subtitle", "Your e-ID information dashboard.", "Таны цахим иргэний мэдээллийн хяналтын самбар."},
    {"Dashboard_StatusBadge", "System Operational", "Систем хэвийн ажиллаж байна"},
    {"Dashboard_Refresh", "Refresh", "Шинэчлэх"},
    {"Dashboard_Stats_SecurityScore", "Security Score", "Аюулгүй байдлын оноо"},
    {"Dashboard_Stats_Certificates", "Verified Assets", "Баталгаажсан хөрөнгө"},
    {"Dashboard_Stats_Logins", "Total Logins", "Нийт нэвтрэлт"},
    {"Dashboard_Stats_LastLogin", "Last Login", "Сүүлийн нэвтрэлт"},
    {"Dashboard_Devices_Section", "Trusted Devices", "Итгэмжлэгдсэн төхөөрөмж"},
    {"Dashboard_Devices_Empty", "No registered devices yet.", "Бүртгэлтэй төхөөрөмж байхгүй байна."},
    {"Dashboard_Device_Active", "Active", "Идэвхтэй"},
    {"Dashboard_Device_Inactive", "Inactive", "Идэвхгүй"},
    {"Dashboard_Device_Registered", "Registered", "Бүртгэсэн"},
    {"Dashboard_Activity_Section", "Audit Log", "Үйл явцын түүх"},
    {"Dashboard_Activity_Empty", "Activity history is empty.", "Үйл ажиллагааны түүх хоосон."},
    {"Dashboard_Activity_Auth", "Login", "Нэвтрэлт"},
    {"Dashboard_Activity_Sign", "Sign", "Гарын үсэг"},
    {"Dashboard_Activity_Success", "Success", "Амжилттай"},
    {"Dashboard_Activity_Failure", "Denied", "Татгалзсан"},
    {"Home_Subtitle", "Remote digital signing, sign-in, and certificate verification.", "Алсын дижитал гарын үсэг, нэвтрэлт, гэрчилгээ баталгаажуулалт."},
    {"Home_Backend_Title", "Backend status", "Серверийн төлөв"},
    {"Home_Backend_Version", "Version", "Хувилбар"},
    {"Home_Backend_LastChecked", "Last checked", "Сүүлд шалгасан"},
    {"Home_Backend_Refresh", "Refresh", "Шинэчлэх"},
    {"Home_Status_Healthy", "Connected", "Холбогдсон"},
    {"Home_Status_Unreachable", "Backend unreachable", "Сервер хариулахгүй"},
    {"Home_Status_Unknown", "Unknown", "Тодорхойгүй"},
    {"Home_Status_Degraded", "Some services unhealthy", "Зарим үйлчилгээ хариулахгүй"},
    {"Settings_Title", "Settings", "Тохиргоо"},
    {"Settings_Close", "Close", "Хаах"},
    {"Settings_Theme", "Theme", "Дизайны өнгө"},
    {"Settings_Theme_System", "System", "Системийн"},
    {"Settings_Theme_Light", "Light", "Цайвар"},
    {"Settings_Theme_Dark", "Dark", "Бараан"},
    {"Settings_Language", "Language", "Хэл"},
    {"Settings_Language_Hint", "The language switches immediately.", "Хэл шилжүүлснээр UI шууд солигдоно."},
    {"Settings_Startup_Title", "Startup", "Эхлүүлэлт"},
    {"Settings_Startup_Hint", "In tray mode the app runs only in the system tray — close the window and it keeps running there.", "Трей горимд апп зөвхөн системийн трейд ажиллана — цонхыг хаасан ч тэндээ ажилласаар байна."},
    {"Settings_Api_Title", "Server", "Сервер"},
    {"Settings_Api_Hint", "API URL (leave empty for the default server):", "API URL (хоосон бол үндсэн сервер):"},
    {"Settings_About_Title", "About", "Тухай"},
    {"Settings_Version", "Version", "Хувилбар"},
    {"Settings_About_Build", "Build", "Build"},
    {"Settings_About_Publisher", "Publisher", "Гаргагч"},
    {"Settings_About_Platform", "Platform", "Платформ"},
    {"Update_LastChecked", "Checked", "Шалгасан"},
    {"Update_Available", "Update available", "Шинэчлэлт бий"},
    {"App_Title", "Nuvia", "Nuvia"},
    {"Tokens_Empty_Hint", "Plug in your USB token and press \"Refresh\".",
     "USB токенээ залгаад \"Шинэчлэх\" товчийг дарна уу."},
};
// clang-format on

QString qs(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

const LocalizationTables& tables()
{
    return LocalizationTables::builtIn();
}

// The text a screen gets for `key` when the language has it: main table first, then extra.
QString textOf(AppLanguage language, const QString& key)
{
    const StringTable& main = tables().mainTable(language);
    return main.contains(key) ? main.value(key) : tables().extraTable(language).value(key);
}

bool hasCyrillic(const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() >= 0x0400 && c.unicode() <= 0x04FF) {
            return true;
        }
    }
    return false;
}

QSet<QString> keySet(const StringTable& table)
{
    return QSet<QString>(table.keyBegin(), table.keyEnd());
}

} // namespace

TEST(StringTablesTest, NoKeyRepeatsWithinATableAndOnlyTwoAreShared)
{
    // A repeated row would silently hide the other text under its key.
    for (AppLanguage language : {AppLanguage::en, AppLanguage::mn}) {
        EXPECT_EQ(std::size_t(tables().mainTable(language).size()), mainStringRows().size());
        EXPECT_EQ(std::size_t(tables().extraTable(language).size()), extraStringRows().size());
    }
    QSet<QString> shared = keySet(tables().mainTable(AppLanguage::mn));
    shared.intersect(keySet(tables().extraTable(AppLanguage::mn)));
    EXPECT_EQ(shared, QSet<QString>({"Common_Loading", "Common_Cancel"}));
}

TEST(StringTablesTest, EveryKeyTheProgramNamesIsInTheTables)
{
    // Keys are written as literals like "Login_Title" where the screens ask for their texts;
    // one missing from the tables would show up on screen as the bare key.
    const QRegularExpression keyLiteral(QStringLiteral(R"re("([A-Z][a-z]\w*_\w+)")re"));
    const QString appDir = QStringLiteral(ORVELA_SOURCE_DIR "/app");
    QSet<QString> named;
    QDirIterator files(appDir, {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        const QString relative = path.mid(appDir.size() + 1);
        if (relative.startsWith(u"tests/") || relative.startsWith(u"bench/") ||
            relative.startsWith(u"common/l10n/")) {
            continue;
        }
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        const QString source = QString::fromUtf8(file.readAll());
        for (const auto& match : keyLiteral.globalMatch(source)) {
            named.insert(match.captured(1));
        }
    }
    // The screens name well over a hundred keys; far fewer means the scan missed the sources.
    EXPECT_GT(named.size(), 100);
    for (const QString& key : std::as_const(named)) {
        EXPECT_TRUE(tables().mainTable(AppLanguage::en).contains(key) ||
                    tables().extraTable(AppLanguage::en).contains(key))
            << key.toStdString();
    }
}

TEST(StringTablesTest, NoTextNamesThingsThisPlatformDoesNotHave)
{
    // Texts first written for another desktop named its Dock, top menu bar and Touch ID; here
    // they are the tray, the taskbar and the fingerprint reader.
    const QRegularExpression foreign(
        QStringLiteral(R"re(\bDock\b|Touch ID|Face ID|\bFinder\b|menu ?bar|менюбар|⌘)re"),
        QRegularExpression::CaseInsensitiveOption);
    for (AppLanguage language : {AppLanguage::en, AppLanguage::mn}) {
        for (const StringTable* table :
             {&tables().mainTable(language), &tables().extraTable(language)}) {
            for (auto it = table->cbegin(); it != table->cend(); ++it) {
                EXPECT_FALSE(foreign.match(it.value()).hasMatch())
                    << it.key().toStdString() << ": " << it.value().toStdString();
            }
        }
    }
}

TEST(StringTablesTest, BothLanguagesHoldTheSameKeys)
{
    EXPECT_EQ(keySet(tables().mainTable(AppLanguage::en)),
              keySet(tables().mainTable(AppLanguage::mn)));
    EXPECT_EQ(keySet(tables().extraTable(AppLanguage::en)),
              keySet(tables().extraTable(AppLanguage::mn)));
}

TEST(StringTablesTest, EveryTextIsFilledTrimmedAndFreeOfPlaceholders)
{
    for (AppLanguage language : {AppLanguage::en, AppLanguage::mn}) {
        for (const StringTable* table :
             {&tables().mainTable(language), &tables().extraTable(language)}) {
            for (auto it = table->cbegin(); it != table->cend(); ++it) {
                const QString& text = it.value();
                EXPECT_FALSE(text.isEmpty()) << it.key().toStdString();
                EXPECT_EQ(text, text.trimmed()) << it.key().toStdString();
                // Screens build composite texts by concatenation; a format marker would show.
                EXPECT_FALSE(text.contains(QLatin1Char('%'))) << it.key().toStdString();
                EXPECT_FALSE(text.contains(QLatin1Char('{'))) << it.key().toStdString();
            }
        }
    }
}

TEST(StringTablesTest, EnglishIsLatinAndMongolianIsCyrillicUnlessKeptInEnglish)
{
    for (const auto& rows : {mainStringRows(), extraStringRows()}) {
        for (const StringRow& row : rows) {
            const QString english = qs(row.english);
            const QString mongolian = qs(row.mongolian);
            EXPECT_FALSE(hasCyrillic(english)) << row.key;
            // A Mongolian text is either written in Cyrillic or deliberately left equal to
            // the English one (technical names such as "SHA-256").
            EXPECT_TRUE(hasCyrillic(mongolian) || mongolian == english) << row.key;
        }
    }
}

TEST(StringTablesTest, FixedTextsAreKeptByteForByte)
{
    EXPECT_EQ(std::size(kFixedTexts), 174u);
    for (const FixedText& fixed : kFixedTexts) {
        const QString key = QString::fromUtf8(fixed.key);
        EXPECT_EQ(textOf(AppLanguage::en, key), QString::fromUtf8(fixed.english)) << fixed.key;
        EXPECT_EQ(textOf(AppLanguage::mn, key), QString::fromUtf8(fixed.mongolian)) << fixed.key;
    }
}

TEST(StringTablesTest, SharedKeysDifferBetweenMainAndExtra)
{
    EXPECT_EQ(tables().mainTable(AppLanguage::en).value("Common_Loading"), "Loading…");
    EXPECT_EQ(tables().extraTable(AppLanguage::en).value("Common_Loading"), "Loading...");
    EXPECT_EQ(tables().mainTable(AppLanguage::mn).value("Common_Loading"), "Ачаалж байна…");
    EXPECT_EQ(tables().extraTable(AppLanguage::mn).value("Common_Loading"), "Ачаалж байна...");
}

TEST(StringTablesTest, BuiltInTablesAreBuiltOnce)
{
    EXPECT_EQ(&tables(), &LocalizationTables::builtIn());
    EXPECT_EQ(&tables().mainTable(AppLanguage::en), &tables().mainTable(AppLanguage::en));
    EXPECT_NE(&tables().mainTable(AppLanguage::en), &tables().mainTable(AppLanguage::mn));
    EXPECT_NE(&tables().extraTable(AppLanguage::en), &tables().extraTable(AppLanguage::mn));
}
