#pragma once

#include "orvela/tokenkit/Bytes.h"

#include <exception>
#include <functional>
#include <optional>
#include <string>

namespace orvela::tokenkit {

/// Errors of certificate-request building, with their fixed user-facing messages.
class CSRError : public std::exception {
public:
    enum class Code { signerFailed, invalidPublicKey };

    /// For signers that want to report their own failure in this form; the builder never
    /// raises it itself.
    static CSRError signerFailed(std::string message);
    static CSRError invalidPublicKey();

    Code code() const noexcept { return m_code; }
    /// The signer's own words of signerFailed; empty otherwise.
    const std::string& detail() const noexcept { return m_detail; }
    const std::string& errorDescription() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_message.c_str(); }

private:
    CSRError(Code code, std::string message, std::string detail = {})
        : m_code(code), m_message(std::move(message)), m_detail(std::move(detail))
    {}

    Code m_code;
    std::string m_message;
    std::string m_detail;
};

/// PKCS#10 requests for an EC P-256 key that lives on a token. The builder never holds a
/// private key: the signature comes from a signer the caller supplies.
class CSR {
public:
    /// The distinguished name; absent fields are left out, present empty ones are kept.
    struct Subject {
        std::string commonName;
        std::optional<std::string> organization;
        std::optional<std::string> country;
        std::optional<std::string> email;
    };

    /// A finished request in both forms.
    struct Request {
        Bytes der;
        std::string pem;
    };

    /// Gets the 32-byte SHA-256 digest of the CertificationRequestInfo and returns either a raw
    /// r||s signature of 64 bytes or a DER ECDSA-Sig-Value. What it throws reaches the caller.
    using Signer = std::function<Bytes(ByteView digest)>;

    /// Builds and signs a request. Throws CSRError::invalidPublicKey, before calling the signer,
    /// unless the point is 65 bytes starting with 04.
    static Request buildP256(const Subject& subject, ByteView publicKeyPoint, const Signer& signer);

    /// Raw r||s (two equal halves) to a DER ECDSA-Sig-Value.
    static Bytes encodeECDSASigDER(ByteView rs);

    /// Name with the components in the order C, O, CN, emailAddress.
    static Bytes encodeName(const Subject& subject);

    /// SubjectPublicKeyInfo of a P-256 point.
    static Bytes encodeSubjectPublicKeyInfo(ByteView point);

    /// The signed part of the request: version 0, Name, key, empty attributes.
    static Bytes encodeCertificationRequestInfo(const Subject& subject, ByteView point);

    /// The request around a signed CertificationRequestInfo. A 64-byte signature is converted to
    /// DER; any other is embedded unchanged.
    static Request assemble(ByteView certificationRequestInfo, ByteView signature);

    /// True for a 65-byte uncompressed point.
    static bool isUncompressedP256Point(ByteView point) noexcept;
};

} // namespace orvela::tokenkit
