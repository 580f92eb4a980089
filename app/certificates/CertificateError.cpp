#include "certificates/CertificateError.h"

#include "common/LocalizationTables.h"

namespace orvela::certificates {

QString certificateErrorText(const CertificateError& error, common::AppLanguage language)
{
    const auto text = [language](const char* key) {
        return common::builtInText(QString::fromLatin1(key), language);
    };
    using Kind = CertificateError::Kind;
    switch (error.kind) {
    case Kind::emptyPem:
        return text("Certificate_Error_EmptyPem");
    case Kind::badPem:
        return text("Certificate_Error_BadPem");
    case Kind::notX509:
        return text("Certificate_Error_NotX509");
    case Kind::fileNotFound:
        return text("Certificate_Error_FileNotFound") + u' ' + error.source;
    case Kind::unreadableInput:
        return error.input ? common::localInputMessage(*error.input, language) : QString();
    }
    return {};
}

} // namespace orvela::certificates
