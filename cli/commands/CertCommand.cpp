#include "commands/CertCommand.h"

#include "CliLocalization.h"
#include "CliOutput.h"
#include "certificates/CertificateParser.h"
#include "certificates/CertificateReport.h"

#include <QJsonArray>

namespace orvela::cli {

using certificates::CertificateInfo;
using certificates::CertificateResult;

namespace {

QJsonObject toJson(const CertificateInfo& info)
{
    const auto utc = [](const QDateTime& when) { return when.toUTC().toString(Qt::ISODate); };
    return {
        {QStringLiteral("subject"), info.subject},
        {QStringLiteral("issuer"), info.issuer},
        {QStringLiteral("serialNumberHex"), info.serialNumberHex},
        {QStringLiteral("notBefore"), utc(info.notBefore)},
        {QStringLiteral("notAfter"), utc(info.notAfter)},
        {QStringLiteral("signatureAlgorithm"), info.signatureAlgorithm},
        {QStringLiteral("publicKeyAlgorithm"), info.publicKeyAlgorithm},
        {QStringLiteral("publicKeyBits"), info.publicKeyBits},
        {QStringLiteral("spkiSha256Base64"), info.spkiSha256Base64},
        {QStringLiteral("thumbprintSha1Hex"), info.thumbprintSha1Hex},
        {QStringLiteral("thumbprintSha256Hex"), info.thumbprintSha256Hex},
        {QStringLiteral("keyUsages"), QJsonArray::fromStringList(info.keyUsages)},
        {QStringLiteral("extendedKeyUsages"), QJsonArray::fromStringList(info.extendedKeyUsages)},
        {QStringLiteral("subjectAlternativeNames"),
         QJsonArray::fromStringList(info.subjectAlternativeNames)},
        {QStringLiteral("pemSource"), info.pemSource},
    };
}

/// The certificate's texts made inert, so that the report's own line breaks (one per name)
/// stay the only ones: a name holding a newline would otherwise print a row of its own.
CertificateInfo inertTexts(CertificateInfo info)
{
    for (QString* text : {&info.subject, &info.issuer, &info.serialNumberHex,
                          &info.signatureAlgorithm, &info.publicKeyAlgorithm}) {
        *text = inert(*text);
    }
    for (QStringList* list :
         {&info.keyUsages, &info.extendedKeyUsages, &info.subjectAlternativeNames}) {
        for (QString& text : *list) {
            text = inert(text);
        }
    }
    return info;
}

void printReport(const certificates::CertificateReport& report)
{
    printLine(report.validityText);
    for (const auto& section : report.sections) {
        printLine(QString());
        printLine(section.title);
        for (const auto& row : section.rows) {
            const QString value = QString(row.value).replace(u'\n', QStringLiteral("\n    "));
            printLine(row.label.isEmpty() ? QStringLiteral("  ") + value
                                          : QStringLiteral("  %1: %2").arg(row.label, value));
        }
    }
}

CertificateResult parseInput(const QString& source)
{
    const certificates::CertificateParser service;
    if (source != u"-") {
        return service.parseFile(source);
    }
    return service.parseInput(common::readStandardInput(common::inputLimit::certificate));
}

} // namespace

int runCert(CliContext& context)
{
    auto& localization = cliLocalization();
    const CertificateResult result = parseInput(context.positionals.constFirst());
    if (const auto* error = std::get_if<certificates::CertificateError>(&result)) {
        return fail(context.json, certificates::certificateErrorText(*error, context.language));
    }
    const auto& info = std::get<CertificateInfo>(result);
    if (context.json) {
        printJson(toJson(info));
    } else {
        printReport(buildReport(inertTexts(info), localization, QDateTime::currentDateTimeUtc()));
    }
    return 0;
}

} // namespace orvela::cli
