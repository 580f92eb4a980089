#include "api/Obfuscated.h"

namespace orvela::api {

QString Obfuscated::reveal() const
{
    QByteArray plain(m_masked.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < m_masked.size(); ++i) {
        plain[i] = static_cast<char>(static_cast<std::uint8_t>(m_masked[i]) ^
                                     keyByte(static_cast<std::size_t>(i)));
    }
    return QString::fromLatin1(plain);
}

} // namespace orvela::api
