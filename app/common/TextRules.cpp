#include "common/TextRules.h"

#include <QStringDecoder>

namespace orvela::common {

std::optional<QString> strictUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        text.fill(QChar(u'\0')); // it may hold a secret (a PIN), which no caller will wipe now
        return std::nullopt;
    }
    return text;
}

} // namespace orvela::common
