#include "orvela/tokenkit/TokenError.h"

#include <cstdio>
#include <utility>

namespace orvela::tokenkit {

namespace {

std::string messageFor(TokenError::Code code, const std::string& text, int retriesLeft,
                       std::uint16_t status)
{
    using Code = TokenError::Code;
    switch (code) {
    case Code::transmitFailed:
        return "APDU дамжуулалт амжилтгүй: " + text;
    case Code::pinVerifyFailed:
        return "PIN буруу байна. " + std::to_string(retriesLeft) + " оролдлого үлдсэн.";
    case Code::signFailed:
        return "Гарын үсэг зурахад алдаа: " + text;
    case Code::unexpectedStatus: {
        char sw[8];
        std::snprintf(sw, sizeof sw, "%04X", static_cast<unsigned>(status));
        return std::string("Токен алдаа: SW=") + sw;
    }
    case Code::readerNotConnected:
        return "Уншигч холбогдоогүй байна.";
    case Code::cardNotFound:
        return "Токен олдсонгүй.";
    case Code::sessionFailed:
        return "Сэссион эхлүүлэхэд алдаа гарлаа.";
    case Code::invalidAPDU:
        return "APDU команд буруу байна.";
    case Code::authFailed:
        return "Токен баталгаажуулалт амжилтгүй.";
    case Code::pinBlocked:
        return "PIN блоклогдсон. PUK ашиглана уу.";
    case Code::keyGenFailed:
        return "Түлхүүр хос үүсгэхэд алдаа гарлаа.";
    case Code::certificateNotFound:
        return "Сертификат олдсонгүй.";
    case Code::certificateImportFailed:
        return "Сертификат суулгахад алдаа гарлаа.";
    case Code::unsupportedAlgorithm:
        return "Дэмжигдэхгүй алгоритм.";
    case Code::secureMessagingFailed:
        return "Secure messaging алдаа.";
    case Code::pinTooLong:
        return "PIN 16 байтаас урт байж болохгүй.";
    case Code::pinEmpty:
        return "PIN хоосон байна.";
    }
    return {};
}

} // namespace

TokenError::TokenError(Code code, std::string text, int retriesLeft, std::uint16_t status)
    : m_code(code), m_text(std::move(text)), m_retriesLeft(retriesLeft), m_status(status),
      m_message(messageFor(code, m_text, retriesLeft, status))
{}

TokenError TokenError::transmitFailed(std::string text)
{
    return TokenError(Code::transmitFailed, std::move(text));
}

TokenError TokenError::pinVerifyFailed(int retriesLeft)
{
    return TokenError(Code::pinVerifyFailed, {}, retriesLeft);
}

TokenError TokenError::signFailed(std::string text)
{
    return TokenError(Code::signFailed, std::move(text));
}

TokenError TokenError::unexpectedStatus(std::uint16_t status)
{
    return TokenError(Code::unexpectedStatus, {}, 0, status);
}

} // namespace orvela::tokenkit
