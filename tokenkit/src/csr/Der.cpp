#include "orvela/tokenkit/Der.h"

#include <openssl/evp.h>
#include <stdexcept>

namespace orvela::tokenkit::der {

Bytes encodeLength(std::size_t length)
{
    if (length < 0x80) {
        return Bytes{static_cast<std::uint8_t>(length)};
    }
    if (length <= 0xFF) {
        return Bytes{0x81, static_cast<std::uint8_t>(length)};
    }
    if (length <= 0xFFFF) {
        return Bytes{0x82, static_cast<std::uint8_t>(length >> 8),
                     static_cast<std::uint8_t>(length)};
    }
    if (length <= 0xFFFFFF) {
        return Bytes{0x83, static_cast<std::uint8_t>(length >> 16),
                     static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)};
    }
    throw std::length_error("DER length out of range");
}

Bytes encodeElement(std::uint8_t tag, ByteView content)
{
    Bytes out{tag};
    append(out, encodeLength(content.size()));
    append(out, content);
    return out;
}

Bytes encodeInteger(ByteView unsignedBigEndian)
{
    ByteView value = unsignedBigEndian;
    while (value.size() > 1 && value.front() == 0x00) {
        value = value.subspan(1);
    }
    Bytes content;
    if (!value.empty() && value.front() >= 0x80) {
        content.push_back(0x00);
    }
    append(content, value);
    return encodeElement(0x02, content);
}

Bytes encodeBitString(ByteView bits)
{
    Bytes content{0x00};
    append(content, bits);
    return encodeElement(0x03, content);
}

Bytes encodeNameComponent(ByteView oid, std::uint8_t stringTag, std::string_view value)
{
    Bytes attribute = encodeElement(0x06, oid);
    append(attribute, encodeElement(stringTag, toBytes(value)));
    return encodeElement(0x31, encodeElement(0x30, attribute));
}

std::string encodePEM(ByteView der, std::string_view label)
{
    std::string base64(4 * ((der.size() + 2) / 3) + 1, '\0');
    const int written = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(base64.data()), der.data(),
                                        static_cast<int>(der.size()));
    base64.resize(static_cast<std::size_t>(written));

    std::string pem = "-----BEGIN " + std::string(label) + "-----\n";
    for (std::size_t at = 0; at < base64.size(); at += 64) {
        pem += base64.substr(at, 64);
        pem += '\n';
    }
    pem += "-----END " + std::string(label) + "-----\n";
    return pem;
}

} // namespace orvela::tokenkit::der
