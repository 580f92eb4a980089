#pragma once

// A PAdES signer for tests, the benchmark and the backend simulator: a throw-away certificate
// authority, the certificates it issues, RFC 3161 timestamp tokens, and signing a PDF as a real
// incremental update. Development code only; nothing here ships.
//
// Bytes travel as std::string (what qpdf uses too). Every function throws PadesError on failure.

#include <chrono>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

using X509 = struct x509_st;
using EVP_PKEY = struct evp_pkey_st;

namespace orvela::pades {

/// Anything that went wrong, with OpenSSL's or qpdf's words appended where they have some.
class PadesError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// A certificate with its private key. Copies share the same OpenSSL objects.
struct Credential {
    std::shared_ptr<X509> certificate;
    std::shared_ptr<EVP_PKEY> key;

    std::string certificatePem() const;
    std::string privateKeyPem() const;
    /// The pair back from the two PEM texts above; an empty key text gives a certificate alone.
    static Credential fromPem(const std::string& certificatePem, const std::string& keyPem);
};

/// Key kinds a credential can have; ECDSA P-256 is the fast default.
enum class KeyKind { ecP256, rsa2048 };

/// Validity of an issued certificate, from `notBefore` for `days` days.
struct Validity {
    std::chrono::system_clock::time_point notBefore =
        std::chrono::system_clock::now() - std::chrono::hours(24);
    int days = 365;
};

/// A self-signed certificate authority (basicConstraints CA, keyCertSign and cRLSign).
Credential makeAuthority(const std::string& commonName, KeyKind kind = KeyKind::ecP256,
                         Validity validity = Validity{
                             std::chrono::system_clock::now() - std::chrono::hours(24), 3650});

/// A signer certificate issued by `authority`: subject CN = `name`, serialNumber =
/// `registerNumber`, country MN; key usage digitalSignature and nonRepudiation (critical).
Credential issueSigner(const Credential& authority, const std::string& registerNumber,
                       const std::string& name, KeyKind kind = KeyKind::ecP256,
                       Validity validity = {});

/// A timestamping authority's certificate: extendedKeyUsage timeStamping, critical.
Credential issueTimestamper(const Credential& authority, const std::string& name,
                            Validity validity = {});

/// An RFC 3161 TimeStampToken (DER ContentInfo of SignedData) from `timestamper` over the
/// SHA-256 `digest` (32 bytes), stamped with `time`.
std::string
timestampToken(const Credential& timestamper, const std::string& digest,
               std::chrono::system_clock::time_point time = std::chrono::system_clock::now());

/// How to sign.
struct SignOptions {
    /// Name of the new signature field; empty picks "Signature<n>" not yet used in the form.
    std::string fieldName;
    std::chrono::system_clock::time_point signingTime = std::chrono::system_clock::now();
    /// When set, an RFC 3161 token over the signature value is added as an unsigned attribute.
    std::optional<Credential> timestamper;
    /// Further certificates to carry in the CMS (the authority, say).
    std::vector<Credential> chain;
    /// SHA-1 makes a signature a verifier must refuse as too weak; only tests want it.
    bool weakDigest = false;
    /// Bytes reserved for the DER signature; the hex string in the file is twice as long.
    std::size_t reservedSize = 16384;
};

/// `pdf` with one more incremental revision holding a PAdES signature by `signer`: a new
/// signature field merged with an invisible widget on the first page, its /ByteRange covering
/// the whole output except the /Contents hex string, which holds a detached CMS
/// (ETSI.CAdES.detached, SHA-256, signingCertificateV2 and signingTime signed attributes).
/// The input's earlier bytes are kept unchanged, so earlier signatures stay valid.
std::string signPdf(const std::string& pdf, const Credential& signer,
                    const SignOptions& options = {});

/// `pdf` with a document timestamp (ETSI.RFC3161) appended as an incremental revision: the
/// /Contents holds the token itself, over the SHA-256 of the byte ranges.
std::string timestampPdf(const std::string& pdf, const Credential& timestamper,
                         std::size_t reservedSize = 8192);

/// An object to write in an incremental revision: its number (generation 0) and the text
/// between "N 0 obj" and "endobj" (a stream's text includes its "stream ... endstream").
struct RevisionObject {
    int number = 0;
    std::string body;
};

/// `pdf` with a plain incremental revision appended that (re)defines `objects`; the trailer
/// keeps the previous one's /Root, /Info and /ID and points back to it with /Prev. A new
/// object takes a number from `nextObjectNumber` on.
std::string appendRevision(const std::string& pdf, const std::vector<RevisionObject>& objects);

/// The first object number no revision of `pdf` uses yet (its trailer's /Size).
int nextObjectNumber(const std::string& pdf);

/// A small valid one-page PDF (classic cross-reference table), of at least `minimumSize` bytes
/// when that is asked for: the extra bytes are an uncompressed stream the page does not show.
std::string samplePdf(const std::string& text = "Orvela", std::size_t minimumSize = 0);

} // namespace orvela::pades
