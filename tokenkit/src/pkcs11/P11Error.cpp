#include "orvela/tokenkit/PKCS11Error.h"

#include <cstdio>

namespace orvela::tokenkit {

P11Error::P11Error(Code code, std::string subject, unsigned long rv, std::string message)
    : m_code(code), m_subject(std::move(subject)), m_rv(rv), m_message(std::move(message))
{}

P11Error P11Error::libraryNotFound(std::string path, const std::string& reason)
{
    std::string message = "PKCS#11 сан олдсонгүй: " + path;
    if (!reason.empty()) {
        message += " (" + reason + ")";
    }
    P11Error error(Code::libraryNotFound, std::move(path), 0, std::move(message));
    error.m_reason = reason;
    return error;
}

P11Error P11Error::symbolNotFound(std::string name)
{
    std::string message = "PKCS#11 function олдсонгүй: " + name;
    return P11Error(Code::symbolNotFound, std::move(name), 0, std::move(message));
}

P11Error P11Error::ckError(std::string operation, unsigned long rv)
{
    char code[24];
    std::snprintf(code, sizeof code, "%08lX", rv);
    std::string message = operation + " амжилтгүй: CKR=0x" + code;
    return P11Error(Code::ckError, std::move(operation), rv, std::move(message));
}

} // namespace orvela::tokenkit
