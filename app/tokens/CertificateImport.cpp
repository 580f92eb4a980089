#include "tokens/CertificateImport.h"

#include "common/TextRules.h"

#include <QRegularExpression>
#include <openssl/x509.h>

namespace orvela::tokens {

namespace {

/// Every newline kind: CR LF, LF, CR, VT, FF, NEL, LINE SEPARATOR, PARAGRAPH SEPARATOR.
const QRegularExpression& lineBreaks()
{
    static const QRegularExpression breaks(QStringLiteral("\r\n|[\n\r\v\f\u0085\u2028\u2029]"));
    return breaks;
}

using common::strictUtf8;

/// Base64 with padding and nothing else: no whitespace, no stray characters.
std::optional<QByteArray> strictBase64(const QByteArray& text)
{
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    const auto result =
        QByteArray::fromBase64Encoding(text, QByteArray::AbortOnBase64DecodingErrors);
    if (result.decodingStatus != QByteArray::Base64DecodingStatus::Ok) {
        return std::nullopt;
    }
    return result.decoded;
}

/// The joined Base64 lines of the text's one CERTIFICATE block; nothing when the text holds any
/// other armour (a CRL, a key), a second block (even an empty one), or text outside the block.
std::optional<QString> certificateBlockBody(const QString& text)
{
    const QStringList lines = text.split(lineBreaks(), Qt::SkipEmptyParts);
    QStringList markers;
    QString body;
    for (const QString& line : lines) {
        if (line.contains(QLatin1String("-----"))) {
            markers.append(line);
        } else if (markers.size() != 1) {
            return std::nullopt; // before the block or after it
        } else {
            body += line;
        }
    }
    if (markers.size() != 2 ||
        !markers[0].startsWith(QLatin1String("-----BEGIN CERTIFICATE-----")) ||
        !markers[1].startsWith(QLatin1String("-----END CERTIFICATE-----"))) {
        return std::nullopt;
    }
    return body;
}

} // namespace

QByteArray certificateValueFromFile(const QByteArray& fileBytes)
{
    const auto text = strictUtf8(fileBytes);
    if (!text || !text->contains(QLatin1String("-----BEGIN"))) {
        return fileBytes;
    }
    const auto body = certificateBlockBody(*text);
    if (!body) {
        return fileBytes;
    }
    // Non-ASCII text cannot be Base64; toLatin1 would only turn it into '?'.
    for (const QChar c : *body) {
        if (c.unicode() > 0x7F) {
            return fileBytes;
        }
    }
    return strictBase64(body->toLatin1()).value_or(fileBytes);
}

std::optional<QByteArray> certificateToImport(const QByteArray& fileBytes)
{
    QByteArray value = certificateValueFromFile(fileBytes);
    const auto* cursor = reinterpret_cast<const unsigned char*>(value.constData());
    X509* certificate = d2i_X509(nullptr, &cursor, static_cast<long>(value.size()));
    if (certificate == nullptr) {
        return std::nullopt;
    }
    X509_free(certificate);
    // Trailing bytes would be stored with it and trip up whoever reads the object later.
    if (cursor != reinterpret_cast<const unsigned char*>(value.constData()) + value.size()) {
        return std::nullopt;
    }
    return value;
}

} // namespace orvela::tokens
