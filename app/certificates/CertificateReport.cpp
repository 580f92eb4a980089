#include "certificates/CertificateReport.h"

#include "common/DateFormatter.h"
#include "common/LocalizationService.h"

namespace orvela::certificates {

Validity validityAt(const CertificateInfo& info, const QDateTime& now)
{
    if (info.isExpired(now)) {
        return Validity::expired;
    }
    if (info.isNotYetValid(now)) {
        return Validity::notYetValid;
    }
    return Validity::valid;
}

namespace {

/// A key usage in the interface language: the parser names usages in English, and each has a
/// row keyed by that name without spaces. A name without a row is shown as the parser gave it.
QString localizedKeyUsage(const QString& name, const common::LocalizationService& localization)
{
    const QString key = QStringLiteral("KeyUsage_") + QString(name).remove(u' ');
    const QString text = localization.localized(key);
    return text == key ? name : text;
}

} // namespace

CertificateReport buildReport(const CertificateInfo& info,
                              const common::LocalizationService& localization, const QDateTime& now)
{
    const auto text = [&](const char* key) { return localization.localized(QLatin1String(key)); };
    using Row = CertificateReport::Row;
    const common::DateFormatter dates;
    const common::AppLanguage language = localization.language();

    CertificateReport report;
    report.validity = validityAt(info, now);
    switch (report.validity) {
    case Validity::expired:
        report.validityText = text("Verify_Validity_Expired");
        break;
    case Validity::notYetValid:
        report.validityText = text("Verify_Validity_NotYetValid");
        break;
    case Validity::valid:
        report.validityText = text("Verify_Validity_Valid");
        break;
    }

    report.sections = {
        {text("Verify_Section_Identity"),
         {Row{text("Verify_Field_Subject"), info.subject},
          Row{text("Verify_Field_Issuer"), info.issuer},
          Row{text("Verify_Field_Serial"), info.serialNumberHex}}},
        {text("Verify_Section_Validity"),
         {Row{text("Verify_Field_NotBefore"), dates.dateTime(info.notBefore, language)},
          Row{text("Verify_Field_NotAfter"), dates.dateTime(info.notAfter, language)}}},
        {text("Verify_Section_Crypto"),
         {Row{text("Verify_Field_SignatureAlgorithm"), info.signatureAlgorithm},
          Row{text("Verify_Field_PublicKey"), info.publicKeyAlgorithm + QStringLiteral(" / ") +
                                                  QString::number(info.publicKeyBits) + u' ' +
                                                  text("Verify_Field_Bits")}}},
        {text("Verify_Section_Fingerprints"),
         {Row{text("Verify_Field_Sha256"), info.thumbprintSha256Hex},
          Row{text("Verify_Field_Sha1"), info.thumbprintSha1Hex},
          Row{text("Verify_Field_SpkiSha256"), info.spkiSha256Base64}}},
    };
    if (!info.keyUsages.isEmpty()) {
        QStringList usages;
        for (const QString& usage : info.keyUsages) {
            usages << localizedKeyUsage(usage, localization);
        }
        report.sections.append(
            {text("Verify_Section_KeyUsage"), {Row{QString(), usages.join(QStringLiteral(", "))}}});
    }
    if (!info.subjectAlternativeNames.isEmpty()) {
        report.sections.append({text("Verify_Section_San"),
                                {Row{QString(), info.subjectAlternativeNames.join(u'\n')}}});
    }
    return report;
}

} // namespace orvela::certificates
