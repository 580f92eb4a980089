#include "TokenHarness.h"

#include "orvela/tokenkit/Digest.h"
#include "orvela/tokenkit/TransportKey.h"

#include <openssl/evp.h>

namespace orvela::sim::test {

using tokenkit::append;
using tokenkit::hexToBytes;

Reply split(ByteView raw)
{
    Reply reply;
    if (raw.size() < 2) {
        reply.sw = 0x6F00;
        return reply;
    }
    reply.data = tokenkit::toBytes(raw.first(raw.size() - 2));
    reply.sw = static_cast<std::uint16_t>(raw[raw.size() - 2] << 8 | raw.back());
    return reply;
}

Reply send(VirtualToken& token, std::string_view hex)
{
    return split(token.process(hexToBytes(hex)));
}

HostChannel::HostChannel(VirtualToken& token, ByteView key) : m_token(token)
{
    TokenTransmitter transmitter(token);
    m_sm.mutualAuth(transmitter, key, key);
}

Reply HostChannel::call(std::uint8_t cla, std::uint8_t ins, std::uint8_t p1, std::uint8_t p2,
                        const std::optional<Bytes>& data, std::optional<std::uint8_t> le)
{
    const Bytes wrapped = m_sm.wrapAPDU(cla, ins, p1, p2, data, le);
    const auto opened = m_sm.unwrapResponse(callRaw(wrapped));
    return Reply{opened.data, static_cast<std::uint16_t>(opened.sw1 << 8 | opened.sw2)};
}

Bytes HostChannel::callRaw(ByteView wrapped)
{
    return m_token.process(wrapped);
}

Bytes aesMac(ByteView key, ByteView iv, ByteView data)
{
    Bytes input = tokenkit::toBytes(data);
    input.push_back(0x80);
    input.resize((input.size() + 15) / 16 * 16, 0x00);
    Bytes out(input.size() + 16);
    int length = 0;
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    const bool ok =
        EVP_EncryptInit_ex(ctx, EVP_aes_128_cbc(), nullptr, key.data(), iv.data()) == 1 &&
        EVP_CIPHER_CTX_set_padding(ctx, 0) == 1 &&
        EVP_EncryptUpdate(ctx, out.data(), &length, input.data(), static_cast<int>(input.size())) ==
            1;
    EVP_CIPHER_CTX_free(ctx);
    if (!ok || length < 16) {
        return {};
    }
    const auto last = out.begin() + (length - 16);
    return Bytes(last, last + 8);
}

Bytes answerMac(const SecureMessaging& sm, ByteView objects)
{
    return aesMac(sm.sessionKeyMac(), sm.icvMac(), objects);
}

Bytes handWrapped(const SecureMessaging& sm, ByteView header, ByteView objects)
{
    Bytes iv = sm.icvMac();
    for (std::size_t i = iv.size(); i-- > 0;) {
        if (++iv[i] != 0) {
            break;
        }
    }
    Bytes macInput = tokenkit::toBytes(header);
    macInput.push_back(0x80);
    macInput.resize(16, 0x00);
    append(macInput, objects);
    Bytes body = tokenkit::toBytes(objects);
    append(body, Bytes{0x8E, 0x08});
    append(body, aesMac(sm.sessionKeyMac(), iv, macInput));
    Bytes apdu = tokenkit::toBytes(header);
    apdu.push_back(static_cast<std::uint8_t>(body.size()));
    append(apdu, body);
    apdu.push_back(0x00);
    return apdu;
}

Bytes defaultKey()
{
    return tokenkit::defaultTransportKey();
}

Bytes efFcp(std::uint16_t fid, std::uint16_t size, std::uint8_t type)
{
    Bytes body{0x80,
               0x02,
               static_cast<std::uint8_t>(size >> 8),
               static_cast<std::uint8_t>(size),
               0x82,
               0x02,
               type,
               0x00,
               0x83,
               0x02,
               static_cast<std::uint8_t>(fid >> 8),
               static_cast<std::uint8_t>(fid),
               0x8A,
               0x01,
               0x01};
    append(body, hexToBytes("8C08FFFF000000000000"));
    Bytes fcp{0x62, static_cast<std::uint8_t>(body.size())};
    append(fcp, body);
    return fcp;
}

Bytes dfFcp(std::uint16_t fid, std::uint16_t size, ByteView aid)
{
    Bytes body{0x80,
               0x02,
               static_cast<std::uint8_t>(size >> 8),
               static_cast<std::uint8_t>(size),
               0x82,
               0x02,
               0x38,
               0x00,
               0x83,
               0x02,
               static_cast<std::uint8_t>(fid >> 8),
               static_cast<std::uint8_t>(fid)};
    body.push_back(0x84);
    body.push_back(static_cast<std::uint8_t>(aid.size()));
    append(body, aid);
    append(body, hexToBytes("8A0101 8C08FFFF044444444444"));
    Bytes fcp{0x62, static_cast<std::uint8_t>(body.size())};
    append(fcp, body);
    return fcp;
}

Bytes secretBlock(std::string_view pin)
{
    Bytes block = tokenkit::sha1(tokenkit::toBytes(pin));
    const auto length = static_cast<std::uint32_t>(pin.size());
    append(block,
           Bytes{static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8),
                 static_cast<std::uint8_t>(length >> 16), static_cast<std::uint8_t>(length >> 24)});
    return block;
}

Bytes installData(std::uint8_t type, std::uint8_t number, std::uint8_t accessA,
                  std::uint8_t accessB, int counter, ByteView key)
{
    const bool isPin = type == 0x04 || type == 0x06;
    Bytes data{type,
               number,
               accessA,
               accessB,
               static_cast<std::uint8_t>(isPin ? 0x98 : 0x00),
               static_cast<std::uint8_t>(isPin ? 0x98 : 0x00),
               0x00,
               static_cast<std::uint8_t>(isPin ? (number == 0x01 ? 0x06 : 0x08) : 0x00),
               0xFF,
               static_cast<std::uint8_t>(isPin ? counter * 16 + counter : 0x00)};
    append(data, key);
    return data;
}

Bytes pinBlock(std::string_view pin)
{
    Bytes block = tokenkit::toBytes(pin);
    block.resize(16, 0x00);
    return block;
}

std::uint16_t provision(HostChannel& channel, ByteView transportKey, std::string_view pin,
                        std::string_view puk)
{
    const Bytes aid = tokenkit::toBytes(std::string_view("entersafe-fips"));
    struct Step {
        std::uint8_t cla, ins, p1, p2;
        Bytes data;
    };
    std::vector<Step> steps{
        {0x80, 0x0E, 0x00, 0x00, {}},
        {0x80, 0xE3, 0x00, 0x00, installData(0x01, 0x00, 0x90, 0x90, 0, transportKey)},
        {0x80, 0xE3, 0x00, 0x00, installData(0x02, 0x00, 0x90, 0x90, 0, transportKey)},
        {0x00, 0xA4, 0x00, 0x00, hexToBytes("3F00")},
        {0x80, 0xE0, 0x00, 0x00, efFcp(0x2F00, 112, 0x04)},
        {0x80, 0xE0, 0x00, 0x00, dfFcp(0x5015, 16000, aid)},
        {0x00, 0xA4, 0x00, 0x00, hexToBytes("5015")},
    };
    const std::pair<std::uint16_t, std::uint16_t> efs[] = {
        {0x9F00, 2},   {0x5031, 256}, {0x5032, 128}, {0x5033, 128}, {0x4401, 256},
        {0x4402, 256}, {0x4403, 256}, {0x4404, 512}, {0x4405, 256}};
    for (const auto& [fid, size] : efs) {
        steps.push_back({0x80, 0xE0, 0x00, 0x00, efFcp(fid, size, 0x01)});
    }
    steps.push_back(
        {0x80, 0xE3, 0x00, 0x00, installData(0x04, 0x02, 0x98, 0x98, 10, secretBlock(puk))});
    steps.push_back(
        {0x80, 0xE3, 0x00, 0x00, installData(0x04, 0x01, 0x96, 0x98, 10, secretBlock(pin))});
    for (const Step& step : steps) {
        const Reply reply = channel.call(step.cla, step.ins, step.p1, step.p2, step.data);
        if (reply.sw != 0x9000) {
            return reply.sw;
        }
    }
    return 0x9000;
}

std::uint16_t generateKey(HostChannel& channel, std::string_view pin, std::uint8_t keyId)
{
    const Reply verified = channel.call(0x00, 0x20, 0x00, 0x02, pinBlock(pin));
    if (verified.sw != 0x9000) {
        return verified.sw;
    }
    Bytes params = hexToBytes("30080401");
    params.push_back(keyId);
    append(params, hexToBytes("800113810120"));
    return channel.call(0x00, 0x46, 0x00, 0x00, params).sw;
}

} // namespace orvela::sim::test
