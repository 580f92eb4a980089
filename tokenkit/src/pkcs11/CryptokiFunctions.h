#pragma once

#include <p11-kit/pkcs11.h>

namespace orvela::tokenkit {

/// The entry points looked up by their exported names. All but fnDestroyObject,
/// fnGetTokenInfo and fnGetInfo are required.
struct CryptokiFunctions {
    CK_C_Initialize fnInitialize = nullptr;
    CK_C_Finalize fnFinalize = nullptr;
    CK_C_GetSlotList fnGetSlotList = nullptr;
    CK_C_OpenSession fnOpenSession = nullptr;
    CK_C_CloseSession fnCloseSession = nullptr;
    CK_C_Login fnLogin = nullptr;
    CK_C_Logout fnLogout = nullptr;
    CK_C_FindObjectsInit fnFindObjectsInit = nullptr;
    CK_C_FindObjects fnFindObjects = nullptr;
    CK_C_FindObjectsFinal fnFindObjectsFinal = nullptr;
    CK_C_GetAttributeValue fnGetAttributeValue = nullptr;
    CK_C_SignInit fnSignInit = nullptr;
    CK_C_Sign fnSign = nullptr;
    CK_C_InitToken fnInitToken = nullptr;
    CK_C_InitPIN fnInitPIN = nullptr;
    CK_C_SetPIN fnSetPIN = nullptr;
    CK_C_GenerateKeyPair fnGenerateKeyPair = nullptr;
    CK_C_CreateObject fnCreateObject = nullptr;
    CK_C_DestroyObject fnDestroyObject = nullptr;
    CK_C_GetTokenInfo fnGetTokenInfo = nullptr;
    CK_C_GetInfo fnGetInfo = nullptr;
};

} // namespace orvela::tokenkit
