#pragma once

#include <exception>
#include <string>

namespace orvela::tokenkit {

/// Failures of the PKCS#11 road, with their fixed user-facing messages.
class P11Error : public std::exception {
public:
    enum class Code { libraryNotFound, symbolNotFound, ckError };

    /// No candidate library could be loaded; carries the last path tried and, when known, the
    /// reason the loader gave, appended to the message in parentheses.
    static P11Error libraryNotFound(std::string path, const std::string& reason = {});
    /// A required entry point is missing from the library.
    static P11Error symbolNotFound(std::string name);
    /// A Cryptoki call (or one of the module's own lookups, with rv 0) failed.
    static P11Error ckError(std::string operation, unsigned long rv);

    Code code() const noexcept { return m_code; }
    /// The path, the entry point name or the operation name.
    const std::string& subject() const noexcept { return m_subject; }
    /// The Cryptoki return value; meaningful for ckError only.
    unsigned long rv() const noexcept { return m_rv; }
    /// The loader's reason of libraryNotFound, as the system worded it; empty when none.
    const std::string& reason() const noexcept { return m_reason; }

    const std::string& errorDescription() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_message.c_str(); }

private:
    P11Error(Code code, std::string subject, unsigned long rv, std::string message);

    Code m_code;
    std::string m_subject;
    unsigned long m_rv;
    std::string m_reason;
    std::string m_message;
};

} // namespace orvela::tokenkit
