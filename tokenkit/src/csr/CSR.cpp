#include "orvela/tokenkit/CSR.h"

#include "orvela/tokenkit/Der.h"
#include "orvela/tokenkit/Digest.h"

#include <array>

namespace orvela::tokenkit {

namespace {

constexpr std::array<std::uint8_t, 3> kOidCountry{0x55, 0x04, 0x06};
constexpr std::array<std::uint8_t, 3> kOidOrganization{0x55, 0x04, 0x0A};
constexpr std::array<std::uint8_t, 3> kOidCommonName{0x55, 0x04, 0x03};
constexpr std::array<std::uint8_t, 9> kOidEmail{0x2A, 0x86, 0x48, 0x86, 0xF7,
                                                0x0D, 0x01, 0x09, 0x01};
constexpr std::array<std::uint8_t, 7> kOidEcPublicKey{0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x02, 0x01};
constexpr std::array<std::uint8_t, 8> kOidPrime256v1{0x2A, 0x86, 0x48, 0xCE,
                                                     0x3D, 0x03, 0x01, 0x07};
constexpr std::array<std::uint8_t, 8> kOidEcdsaWithSha256{0x2A, 0x86, 0x48, 0xCE,
                                                          0x3D, 0x04, 0x03, 0x02};

constexpr std::uint8_t kPrintableString = 0x13;
constexpr std::uint8_t kUtf8String = 0x0C;
constexpr std::uint8_t kIa5String = 0x16;
constexpr std::uint8_t kSequence = 0x30;
constexpr std::uint8_t kOid = 0x06;

constexpr const char* kPemLabel = "CERTIFICATE REQUEST";

} // namespace

bool CSR::isUncompressedP256Point(ByteView point) noexcept
{
    return point.size() == 65 && point[0] == 0x04;
}

Bytes CSR::encodeECDSASigDER(ByteView rs)
{
    const std::size_t half = rs.size() / 2;
    Bytes content = der::encodeInteger(rs.first(half));
    append(content, der::encodeInteger(rs.last(half)));
    return der::encodeElement(kSequence, content);
}

Bytes CSR::encodeName(const Subject& subject)
{
    Bytes components;
    if (subject.country) {
        append(components,
               der::encodeNameComponent(kOidCountry, kPrintableString, *subject.country));
    }
    if (subject.organization) {
        append(components,
               der::encodeNameComponent(kOidOrganization, kUtf8String, *subject.organization));
    }
    append(components, der::encodeNameComponent(kOidCommonName, kUtf8String, subject.commonName));
    if (subject.email) {
        append(components, der::encodeNameComponent(kOidEmail, kIa5String, *subject.email));
    }
    return der::encodeElement(kSequence, components);
}

Bytes CSR::encodeSubjectPublicKeyInfo(ByteView point)
{
    Bytes algorithm = der::encodeElement(kOid, kOidEcPublicKey);
    append(algorithm, der::encodeElement(kOid, kOidPrime256v1));
    Bytes content = der::encodeElement(kSequence, algorithm);
    append(content, der::encodeBitString(point));
    return der::encodeElement(kSequence, content);
}

Bytes CSR::encodeCertificationRequestInfo(const Subject& subject, ByteView point)
{
    Bytes content{0x02, 0x01, 0x00};
    append(content, encodeName(subject));
    append(content, encodeSubjectPublicKeyInfo(point));
    append(content, Bytes{0xA0, 0x00});
    return der::encodeElement(kSequence, content);
}

CSR::Request CSR::assemble(ByteView certificationRequestInfo, ByteView signature)
{
    const Bytes signatureDER =
        signature.size() == 64 ? encodeECDSASigDER(signature) : toBytes(signature);
    Bytes content = toBytes(certificationRequestInfo);
    // The algorithm identifier carries no parameters field, not even NULL.
    append(content, der::encodeElement(kSequence, der::encodeElement(kOid, kOidEcdsaWithSha256)));
    append(content, der::encodeBitString(signatureDER));
    Request request;
    request.der = der::encodeElement(kSequence, content);
    request.pem = der::encodePEM(request.der, kPemLabel);
    return request;
}

CSR::Request CSR::buildP256(const Subject& subject, ByteView publicKeyPoint, const Signer& signer)
{
    if (!isUncompressedP256Point(publicKeyPoint)) {
        throw CSRError::invalidPublicKey();
    }
    const Bytes info = encodeCertificationRequestInfo(subject, publicKeyPoint);
    const Bytes signature = signer(sha256(info));
    return assemble(info, signature);
}

} // namespace orvela::tokenkit
