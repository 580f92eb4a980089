#include "common/LocalizationTables.h"
#include "common/l10n/StringRows.h"

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

// The expected keys, written out independently of the tables so that a lost, renamed or
// reordered key shows up here.
// clang-format off
const std::vector<std::string_view> kExpectedMainKeys = {
    "App_Title", "App_Tagline", "App_Wordmark_Top", "Nav_Home", "Nav_Verify", "Nav_Login",
    "Nav_Dashboard", "Nav_Settings", "Nav_Logout", "Nav_Tokens", "Nav_Organizations",
    "Tokens_Title", "Tokens_Subtitle", "Org_Title", "Org_Subtitle", "Org_List_Header",
    "Org_List_Empty", "Org_Register_Button", "Org_Back", "Org_RegNumber", "Org_Search",
    "Org_Expiry_Section", "Org_Expiry_Now", "Org_Expiry_3Days", "Org_Expiry_7Days",
    "Org_Expiry_30Days", "Org_Verification", "Org_Waiting", "Org_Cancel", "Org_Continue",
    "Org_Members_Section", "Org_AddMember", "Org_AddMember_Submit", "Org_RemoveMember",
    "Org_RemoveMember_Confirm", "Org_Role_Signer", "Org_Role_Admin", "Org_Member_Active",
    "Org_Member_Pending", "Org_Status_Active", "Org_Status_Pending", "Org_Status_Suspended",
    "Org_Status_Removed", "Org_Status_Unknown", "Org_EnglishName", "Org_EnglishName_Unset",
    "Org_Edit", "Org_Save", "Org_LookupCard_Type", "Org_LookupCard_Ceo", "Org_LookupCard_Phone",
    "Org_Error_Generic", "Org_Error_RegNumberTooShort", "Org_Error_NotFound", "Org_Error_NotCeo",
    "Org_Error_AlreadyRegistered", "Org_Error_ExpiryCap", "Org_Error_XypUnavailable",
    "Org_Error_NotImplemented", "Org_Error_SelectExpiry", "Org_Error_SignTimeout", "Home_Title",
    "Home_Subtitle", "Home_Backend_Title", "Home_Backend_Version", "Home_Backend_LastChecked",
    "Home_Backend_Refresh", "Home_Status_Unknown", "Home_Status_Checking", "Home_Status_Healthy",
    "Home_Status_Degraded", "Home_Status_Unreachable", "Verify_Title", "Verify_Subtitle",
    "Verify_DropZone_Hint", "Verify_Paste_Hint", "Verify_PickFile", "Verify_Parse", "Verify_Clear",
    "Verify_Section_Identity", "Verify_Section_Validity", "Verify_Section_Crypto",
    "Verify_Section_Fingerprints", "Verify_Section_KeyUsage", "Verify_Section_San",
    "Verify_Field_Subject", "Verify_Field_Issuer", "Verify_Field_Serial", "Verify_Field_NotBefore",
    "Verify_Field_NotAfter", "Verify_Field_SignatureAlgorithm", "Verify_Field_PublicKey",
    "Verify_Field_SpkiSha256", "Verify_Field_Sha1", "Verify_Field_Sha256", "Verify_Validity_Valid",
    "Verify_Validity_Expired", "Verify_Validity_NotYetValid", "Verify_Error_EmptyInput",
    "Login_Title", "Login_Subtitle", "Login_NationalId", "Login_NationalId_Placeholder",
    "Login_NationalId_Hint", "Login_VerificationCode", "Login_Waiting_Title",
    "Login_Waiting_Subtitle", "Login_Waiting_Countdown", "Login_Initiate", "Login_Initiate_Loading",
    "Login_Cancel", "Login_TryAgain", "Login_SignOut", "Login_Success_Title",
    "Login_Success_Subtitle", "Login_Footer_NewAccount", "Login_Footer_Help",
    "Login_Error_NationalIdRequired", "Login_Error_UserNotFound", "Login_Error_Generic",
    "Login_Error_Timeout", "Login_Error_Declined", "Login_Error_VerifyFailed",
    "Login_Error_Backend", "Login_Error_EndpointMissing", "Login_Tab_NationalId", "Login_Tab_Qr",
    "Login_Tab_Token", "Login_Qr_Hint", "Login_Qr_Start", "Login_Result_NationalId",
    "Login_Result_KycLevel", "Login_Token_Section", "Login_Token_Empty", "Login_Token_Scan",
    "Login_Token_Pin", "Login_Token_PinPlaceholder", "Login_Token_SignIn",
    "Login_Token_Status_Opening", "Login_Token_Status_Reading", "Login_Token_Status_Challenge",
    "Login_Token_Status_Signing", "Login_Token_Status_Verifying", "Login_Token_Error_NoKeyOrCert",
    "Dashboard_Title", "Dashboard_Subtitle", "Dashboard_Greeting", "Dashboard_StatusBadge",
    "Dashboard_Stats_SecurityScore", "Dashboard_Stats_Certificates", "Dashboard_Stats_Logins",
    "Dashboard_Stats_LastLogin", "Dashboard_Devices_Section", "Dashboard_Devices_Empty",
    "Dashboard_Device_Active", "Dashboard_Device_Inactive", "Dashboard_Activity_Section",
    "Dashboard_Activity_Empty", "Dashboard_Activity_Auth", "Dashboard_Activity_Sign",
    "Dashboard_Activity_Success", "Dashboard_Activity_Failure", "Dashboard_Refresh",
    "Dashboard_Loading", "Dashboard_Error_Generic", "Settings_Title", "Settings_Theme",
    "Settings_Theme_System", "Settings_Theme_Light", "Settings_Theme_Dark", "Settings_Language",
    "Settings_Version", "Settings_Tokens_Title", "Settings_Tokens_Refresh", "Settings_Tokens_Empty",
    "Settings_Tokens_Scanning", "Settings_Tokens_Provider", "Settings_Token_NoProvider",
    "Common_Back", "Common_Loading", "Common_Cancel", "Common_Save", "Common_OK",
    "Token_Detail_Title", "Token_Back", "Token_Field_Backend", "Token_Field_Serial",
    "Token_Section_Pin", "Token_Pin_Placeholder", "Token_Unlock", "Token_Section_Objects",
    "Token_Loading_Objects", "Token_Empty_Objects", "Token_Section_SignTest", "Token_SignTest_Data",
    "Token_SignTest_Run", "Token_SignTest_Result", "Token_ReadCert", "Token_Hint_Cng",
    "Token_Section_Enroll", "Token_Enroll_Hint", "Token_Enroll_Run",
    "Token_Enroll_Status_BuildingCsr", "Token_Enroll_Status_Submitting",
    "Token_Enroll_Status_Installing", "Token_Enroll_Status_Done", "Token_Enroll_Error_NotLoggedIn",
    "Token_Enroll_Error_NoKey", "Token_Enroll_Error_BadPem", "Token_Status_Enrolled",
    "Token_State_Blank", "Token_State_Initialized", "Token_State_Provisioned",
    "Token_State_Enrolled", "Token_State_Unknown", "Token_Cap_SoPinSet", "Token_Cap_SoPinUnset",
    "Token_Cap_UserPinSet", "Token_Cap_UserPinUnset", "Token_Cap_Biometric",
    "Token_Cap_ProtectedAuth", "Token_Pin_StatusLow", "Token_Pin_StatusFinalTry",
    "Token_Pin_StatusLocked", "Token_Memory_Prefix", "Token_Import_Button",
    "Token_Import_Installing", "Token_Import_Done", "Token_Section_Diagnostics",
    "Token_Status_Opening", "Token_Status_Ready_Cng", "Token_Status_Ready_Pkcs11",
    "Token_Status_Unlocked", "Token_Status_Failed", "Token_Status_SignOk",
    "Token_Error_PinRequired", "Token_Error_PinIncorrect", "Token_Error_PinLocked",
    "Token_Error_NoKeySelected", "Token_Error_SignDataEmpty", "Token_Error_NotLoggedIn",
    "Token_Error_KeyNotFound", "Token_Error_NotImplemented", "Token_Error_Generic", "Token_View",
};
// clang-format on

// clang-format off
const std::vector<std::string_view> kExpectedExtraKeys = {
    "Settings_Language_Hint", "Settings_Startup_Title", "Settings_Startup_LaunchAtLogin",
    "Settings_Startup_BackgroundMode", "Settings_Startup_Hint", "Settings_Api_Title",
    "Settings_Api_Hint", "Settings_About_Title", "Settings_About_Build", "Settings_About_Publisher",
    "Settings_About_Platform", "Settings_Close", "MenuBar_Open", "MenuBar_Logout", "MenuBar_Quit",
    "MenuBar_SignedIn", "MenuBar_SignedOut", "Nav_Verifier", "Nav_MyId", "Nav_Logs", "Nav_Devices",
    "Nav_Security", "Nav_Children", "Nav_Sign", "Nav_Support", "Nav_Privacy", "Nav_Lock",
    "Common_User", "Common_Loading", "Common_Checking", "Common_Refresh", "Common_Details",
    "Common_Cancel", "Update_LastChecked", "Update_Available", "Home_Hero_Title",
    "Dashboard_Device_Registered", "Dashboard_Wordmark", "Org_RegNumber_Hint",
    "Org_List_Empty_Hint", "Org_Members_Empty", "Org_Reg_Short", "Org_Sign_Waiting",
    "Login_Left_Subtitle", "Login_Left_Safe", "Login_Left_Reliable", "Login_Left_Description",
    "Login_NationalId_PushHint", "Login_Token_Connected", "Login_Result_KycLabel",
    "Tokens_Connected_Header", "Tokens_Empty_Title", "Tokens_Empty_Hint", "Tokens_Default_Name",
    "Tokens_Connected", "Tokens_Disconnected", "Tokens_Ready", "Tokens_PlugIn",
    "Tokens_Disconnected_Notice", "Tokens_Info", "Tokens_Info_Name", "Tokens_Info_Fips",
    "Tokens_Info_Atr", "Tokens_Yes", "Tokens_No", "Tokens_Section_Provision", "Tokens_Section_Csr",
    "Tokens_Section_SignTest", "Tokens_Section_ChangePin", "Tokens_Section_UnlockPin",
    "Tokens_Section_ChangeSoPin", "Tokens_ChangePin_Current", "Tokens_ChangePin_New",
    "Tokens_ChangePin_Confirm", "Tokens_SoPin_Current", "Tokens_SoPin_New", "Tokens_SoPin_Confirm",
    "Tokens_Unlock_SoPin", "Tokens_Unlock_New", "Tokens_Unlock_Confirm", "Tokens_ChangePin_Hint",
    "Tokens_UnlockPin_Hint", "Tokens_ChangeSoPin_Hint", "Tokens_ChangePin_Action",
    "Tokens_UnlockPin_Action", "Tokens_ChangeSoPin_Action", "Tokens_Objects_Section",
    "Tokens_Objects_Pin", "Tokens_Objects_Load", "Tokens_Objects_Import", "Tokens_Objects_Delete",
    "Tokens_Objects_Empty", "Tokens_GenKey_Section", "Tokens_GenKey_Hint", "Tokens_GenKey_Action",
    "Verifier_Subtitle", "Verifier_ScanField_Label", "Verifier_ScanField_Placeholder",
    "Verifier_Sending", "Verifier_Running", "Verifier_Code", "Verifier_Verified",
    "Verifier_Row_FullName", "Verifier_Row_Surname", "Verifier_Row_GivenName",
    "Verifier_Row_CivilId", "Verifier_Next", "Verifier_Rescan", "Verifier_Error_Expired",
    "Verifier_Error_Refused", "Verifier_Error_Timeout", "Verifier_Error_Generic",
    "Sign_Field_NationalId", "Sign_Field_DocName", "Sign_PickFile", "Sign_HashReady", "Sign_Action",
    "Sign_Success", "Sign_Copy", "Sign_KeyLabel",
};
// clang-format on

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
    {"Verify_Field_Subject", "Subject", "Subject"},
    {"Verify_Field_Issuer", "Issuer", "Issuer"},
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
    {"Settings_Startup_BackgroundMode", "Menu bar mode (hide Dock icon)", "Менюбар горим (Dock-д харагдахгүй)"},
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
    {"Settings_Startup_Hint", "In menu bar mode the app runs only in the top menu bar — close the window and it keeps running there.", "Менюбар горимд апп зөвхөн дэлгэцийн дээд менюбарт ажиллана — цонхыг хаасан ч тэндээ ажилласаар байна."},
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

std::vector<std::string_view> keysOf(std::span<const StringRow> rows)
{
    std::vector<std::string_view> keys;
    for (const StringRow& row : rows) {
        keys.push_back(row.key);
    }
    return keys;
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

TEST(StringTablesTest, TablesHoldTheExpectedNumberOfTexts)
{
    EXPECT_EQ(mainStringRows().size(), 245u);
    EXPECT_EQ(extraStringRows().size(), 120u);
    // Map sizes equal to row counts also prove that no key repeats within a table.
    EXPECT_EQ(tables().mainTable(AppLanguage::en).size(), 245);
    EXPECT_EQ(tables().mainTable(AppLanguage::mn).size(), 245);
    EXPECT_EQ(tables().extraTable(AppLanguage::en).size(), 120);
    EXPECT_EQ(tables().extraTable(AppLanguage::mn).size(), 120);
}

TEST(StringTablesTest, KeysAreExactlyTheExpectedOnesInOrder)
{
    EXPECT_EQ(kExpectedMainKeys.size(), 245u);
    EXPECT_EQ(kExpectedExtraKeys.size(), 120u);
    EXPECT_EQ(keysOf(mainStringRows()), kExpectedMainKeys);
    EXPECT_EQ(keysOf(extraStringRows()), kExpectedExtraKeys);

    QSet<QString> distinct = keySet(tables().mainTable(AppLanguage::mn));
    distinct.unite(keySet(tables().extraTable(AppLanguage::mn)));
    EXPECT_EQ(distinct.size(), 363);

    QSet<QString> shared = keySet(tables().mainTable(AppLanguage::mn));
    shared.intersect(keySet(tables().extraTable(AppLanguage::mn)));
    EXPECT_EQ(shared, QSet<QString>({"Common_Loading", "Common_Cancel"}));
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
