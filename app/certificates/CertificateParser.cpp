#include "certificates/CertificateParser.h"

#include "certificates/X509Fields.h"
#include "common/TextRules.h"
#include "orvela/tokenkit/Der.h"

#include <algorithm>

namespace orvela::certificates {

namespace {

constexpr qsizetype kBeginMarkerLength = 27; // "-----BEGIN CERTIFICATE-----"
constexpr qsizetype kSniffLength = 64;

bool isBase64Alphabet(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
           c == u'+' || c == u'/';
}

/// Standard alphabet, '=' padding to a multiple of four, nothing else tolerated.
bool isStrictBase64(const QString& text)
{
    if (text.size() % 4 != 0) {
        return false;
    }
    qsizetype padding = 0;
    while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == u'=') {
        ++padding;
    }
    return std::all_of(text.begin(), text.end() - padding, isBase64Alphabet);
}

bool looksLikePem(const QByteArray& bytes)
{
    if (bytes.size() < kBeginMarkerLength) {
        return false;
    }
    const QByteArray head = bytes.left(kSniffLength);
    const bool ascii = std::all_of(head.begin(), head.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    return ascii && head.contains("-----BEGIN");
}

} // namespace

QString certificatePem(const QByteArray& der)
{
    const auto* data = reinterpret_cast<const std::uint8_t*>(der.constData());
    return QString::fromStdString(tokenkit::der::encodePEM(
        tokenkit::ByteView(data, static_cast<std::size_t>(der.size())), "CERTIFICATE"));
}

CertificateResult CertificateParser::parsePem(const QString& text) const
{
    QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) {
        return CertificateError{CertificateError::Kind::emptyPem, {}, {}};
    }
    // Windows line ends are line ends: without this a pasted CR LF certificate became one long
    // marker line and could never be read.
    trimmed.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));

    QString body;
    for (const QStringView line : QStringView(trimmed).split(u'\n', Qt::SkipEmptyParts)) {
        if (!line.startsWith(u"-----")) {
            body += line;
        }
    }
    if (!isStrictBase64(body)) {
        return CertificateError{CertificateError::Kind::badPem, {}, {}};
    }
    return parseDer(QByteArray::fromBase64(body.toLatin1()), trimmed);
}

CertificateResult CertificateParser::parseFile(const QString& path) const
{
    return parseInput(common::readLocalFile(path, common::inputLimit::certificate));
}

CertificateResult CertificateParser::parseInput(const common::LocalInput& input) const
{
    if (const auto* bytes = std::get_if<QByteArray>(&input)) {
        return parseBytes(*bytes);
    }
    const auto& error = std::get<common::LocalInputError>(input);
    switch (error.kind) {
    case common::LocalInputError::Kind::cannotOpen:
    case common::LocalInputError::Kind::readFailed:
        if (!error.source.isEmpty()) {
            return CertificateError{CertificateError::Kind::fileNotFound, error.source, {}};
        }
        break;
    case common::LocalInputError::Kind::notRegularFile:
    case common::LocalInputError::Kind::tooLarge:
        break;
    }
    // A FIFO or a device would have kept the reader waiting or filling memory; say which.
    return CertificateError{CertificateError::Kind::unreadableInput, error.source, error};
}

CertificateResult CertificateParser::parseBytes(const QByteArray& bytes) const
{
    if (looksLikePem(bytes)) {
        if (const auto text = common::strictUtf8(bytes)) {
            return parsePem(*text);
        }
    }
    return parseDer(bytes, certificatePem(bytes));
}

CertificateResult CertificateParser::parseDer(const QByteArray& der, const QString& pemSource) const
{
    auto info = readX509Fields(der);
    if (!info) {
        return CertificateError{CertificateError::Kind::notX509, {}, {}};
    }
    info->pemSource = pemSource;
    return *std::move(info);
}

} // namespace orvela::certificates
