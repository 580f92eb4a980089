#include "commands/VerifyReport.h"

#include "CliOutput.h"
#include "common/LocalizationService.h"
#include "signing/SignatureTexts.h"

#include <QJsonArray>

namespace orvela::cli {

using namespace signing;

namespace {

QString when(const std::optional<QDateTime>& time)
{
    return time ? time->toUTC().toString(Qt::ISODate) : QString();
}

QString when(const QDateTime& time)
{
    return time.isValid() ? time.toUTC().toString(Qt::ISODate) : QString();
}

class Lines {
public:
    explicit Lines(const common::LocalizationService& texts) : m_texts(texts) {}

    QString text(const char* key) const { return m_texts.localized(QString::fromLatin1(key)); }

    void add(const char* label, const QString& value)
    {
        if (!value.isEmpty()) {
            m_out += QStringLiteral("  %1: %2\n").arg(text(label), value);
        }
    }
    void line(const QString& value) { m_out += value + u'\n'; }
    QString result() const { return m_out; }

private:
    const common::LocalizationService& m_texts;
    QString m_out;
};

QString keyUsages(const Lines& lines, const QStringList& usages)
{
    QStringList worded;
    for (const QString& usage : usages) {
        const char* key = keyUsageKey(usage);
        worded.append(key != nullptr ? lines.text(key) : inert(usage));
    }
    return worded.join(QStringLiteral(", "));
}

QString coverage(const Lines& lines, const SignatureEntry& entry)
{
    if (entry.coversWholeDocument) {
        return lines.text("Verify_Coverage_Whole");
    }
    if (entry.changes.isEmpty()) {
        return lines.text("Verify_Coverage_LaterSignatures");
    }
    QStringList changed;
    for (Change change : entry.changes) {
        changed.append(lines.text(changeKey(change)));
    }
    return lines.text("Verify_Coverage_Changed").arg(changed.join(QStringLiteral(", ")));
}

void addEntry(Lines& lines, int number, const SignatureEntry& entry)
{
    const bool stamp = entry.kind == SignatureEntry::Kind::documentTimestamp;
    lines.line(QString());
    lines.line(
        QStringLiteral("%1 %2: %3")
            .arg(lines.text(stamp ? "Verify_Label_DocumentTimestamp" : "Verify_Label_Signature"))
            .arg(number)
            .arg(lines.text(verdictKey(entry.verdict))));
    lines.add("Verify_Label_Field", inert(entry.fieldName));
    if (entry.problem != Problem::none) {
        lines.add("Verify_Label_Reason", lines.text(problemKey(entry.problem)));
        return;
    }
    const SignerDetails& signer = entry.signer;
    lines.add("Verify_Label_Signer", inert(signer.name.isEmpty() ? signer.subject : signer.name));
    lines.add("Verify_Label_Identifier", inert(signer.identifier));
    lines.add("Verify_Label_Issuer", inert(signer.issuer));
    lines.add("Verify_Label_Validity",
              QStringLiteral("%1 – %2").arg(when(signer.notBefore), when(signer.notAfter)));
    lines.add("Verify_Label_KeyUsage", keyUsages(lines, signer.keyUsage));
    lines.add("Verify_Label_Trust", lines.text(trustKey(entry.trust)));
    if (!stamp) {
        lines.add("Verify_Label_ClaimedTime", when(entry.claimedTime));
    }
    if (entry.provedTime) {
        lines.add(
            "Verify_Label_ProvedTime",
            QStringLiteral("%1 (%2)").arg(when(entry.provedTime), inert(entry.timestampAuthority)));
    } else {
        lines.line(QStringLiteral("  ") + lines.text("Verify_Label_TimeNotProved"));
    }
    lines.add("Verify_Label_Coverage", coverage(lines, entry));
}

QJsonObject signerJson(const SignerDetails& signer)
{
    return {
        {QStringLiteral("name"), signer.name},
        {QStringLiteral("identifier"), signer.identifier},
        {QStringLiteral("subject"), signer.subject},
        {QStringLiteral("issuer"), signer.issuer},
        {QStringLiteral("notBefore"), when(signer.notBefore)},
        {QStringLiteral("notAfter"), when(signer.notAfter)},
        {QStringLiteral("validAtSigningTime"), signer.validAtSigningTime},
        {QStringLiteral("keyUsage"), QJsonArray::fromStringList(signer.keyUsage)},
    };
}

QJsonObject entryJson(const SignatureEntry& entry)
{
    QJsonArray changes;
    for (Change change : entry.changes) {
        changes.append(changeName(change));
    }
    QJsonArray range;
    for (qint64 value : entry.byteRange) {
        range.append(value);
    }
    const bool stamp = entry.kind == SignatureEntry::Kind::documentTimestamp;
    return {
        {QStringLiteral("field"), entry.fieldName},
        {QStringLiteral("kind"),
         stamp ? QStringLiteral("documentTimestamp") : QStringLiteral("signature")},
        {QStringLiteral("subFilter"), entry.subFilter},
        {QStringLiteral("verdict"), verdictName(entry.verdict)},
        {QStringLiteral("problem"), problemName(entry.problem)},
        {QStringLiteral("byteRange"), range},
        {QStringLiteral("coversWholeDocument"), entry.coversWholeDocument},
        {QStringLiteral("changes"), changes},
        {QStringLiteral("signer"), signerJson(entry.signer)},
        {QStringLiteral("trust"), trustName(entry.trust)},
        {QStringLiteral("claimedTime"), when(entry.claimedTime)},
        {QStringLiteral("provedTime"), when(entry.provedTime)},
        {QStringLiteral("timestampAuthority"), entry.timestampAuthority},
    };
}

} // namespace

QString verifyReportText(const PdfSignatureReport& report, const common::LocalizationService& texts)
{
    Lines lines(texts);
    lines.line(QStringLiteral("%1: %2").arg(lines.text("Verify_Label_Document"),
                                            lines.text(verdictKey(report.verdict))));
    if (report.problem != Problem::none) {
        lines.add("Verify_Label_Reason", lines.text(problemKey(report.problem)));
    }
    int number = 0;
    for (const SignatureEntry& entry : report.signatures) {
        addEntry(lines, ++number, entry);
    }
    return lines.result();
}

QJsonObject verifyReportJson(const PdfSignatureReport& report)
{
    QJsonArray signatures;
    for (const SignatureEntry& entry : report.signatures) {
        signatures.append(entryJson(entry));
    }
    return {
        {QStringLiteral("verdict"), verdictName(report.verdict)},
        {QStringLiteral("problem"), problemName(report.problem)},
        {QStringLiteral("signatures"), signatures},
    };
}

} // namespace orvela::cli
