#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace orvela::tokenkit {

/// The error the kit raises for card-level failures. Each case has a fixed Mongolian message
/// that the application shows unchanged. Failures of the platform's smart-card service are not
/// TokenErrors; they reach the caller as their own type.
class TokenError : public std::exception {
public:
    enum class Code {
        transmitFailed,
        pinVerifyFailed,
        signFailed,
        unexpectedStatus,
        readerNotConnected,
        cardNotFound,
        sessionFailed,
        invalidAPDU,
        authFailed,
        pinBlocked,
        keyGenFailed,
        certificateNotFound,
        certificateImportFailed,
        unsupportedAlgorithm,
        secureMessagingFailed,
        pinTooLong,
        pinEmpty,
    };

    static TokenError transmitFailed(std::string text);
    static TokenError pinVerifyFailed(int retriesLeft);
    static TokenError signFailed(std::string text);
    static TokenError unexpectedStatus(std::uint16_t status);
    static TokenError readerNotConnected() { return TokenError(Code::readerNotConnected); }
    static TokenError cardNotFound() { return TokenError(Code::cardNotFound); }
    static TokenError sessionFailed() { return TokenError(Code::sessionFailed); }
    static TokenError invalidAPDU() { return TokenError(Code::invalidAPDU); }
    static TokenError authFailed() { return TokenError(Code::authFailed); }
    static TokenError pinBlocked() { return TokenError(Code::pinBlocked); }
    static TokenError keyGenFailed() { return TokenError(Code::keyGenFailed); }
    static TokenError certificateNotFound() { return TokenError(Code::certificateNotFound); }
    static TokenError certificateImportFailed()
    {
        return TokenError(Code::certificateImportFailed);
    }
    static TokenError unsupportedAlgorithm() { return TokenError(Code::unsupportedAlgorithm); }
    static TokenError secureMessagingFailed() { return TokenError(Code::secureMessagingFailed); }
    /// A PIN or PUK longer than the 16 bytes that VERIFY can carry.
    static TokenError pinTooLong() { return TokenError(Code::pinTooLong); }
    /// A PIN with no characters: refused before any token sees it, as it could only cost a try
    /// (the card road pads it to sixteen zero bytes, a PKCS#11 library calls it a bad argument).
    static TokenError pinEmpty() { return TokenError(Code::pinEmpty); }

    Code code() const noexcept { return m_code; }
    /// Tries left; meaningful for pinVerifyFailed only.
    int retriesLeft() const noexcept { return m_retriesLeft; }
    /// Status word; meaningful for unexpectedStatus only.
    std::uint16_t status() const noexcept { return m_status; }
    /// The carried text of transmitFailed and signFailed.
    const std::string& text() const noexcept { return m_text; }

    /// The user-facing message, always present.
    const std::string& errorDescription() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_message.c_str(); }

    bool operator==(const TokenError& other) const noexcept
    {
        return m_code == other.m_code && m_retriesLeft == other.m_retriesLeft &&
               m_status == other.m_status && m_text == other.m_text;
    }

private:
    explicit TokenError(Code code, std::string text = {}, int retriesLeft = 0,
                        std::uint16_t status = 0);

    Code m_code;
    std::string m_text;
    int m_retriesLeft;
    std::uint16_t m_status;
    std::string m_message;
};

} // namespace orvela::tokenkit
