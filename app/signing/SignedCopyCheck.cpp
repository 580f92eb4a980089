#include "signing/SignedCopyCheck.h"

#include "common/LocalizationTables.h"
#include "signing/SignatureTexts.h"

namespace orvela::signing {

namespace {

CopyCheck made(CopyVerdict verdict, Problem problem = Problem::none, const QString& signer = {})
{
    return CopyCheck{verdict, problem, signer};
}

/// The signature this signing added: the copy's last one.
const SignatureEntry* lastSignature(const PdfSignatureReport& report)
{
    for (auto it = report.signatures.crbegin(); it != report.signatures.crend(); ++it) {
        if (it->kind == SignatureEntry::Kind::signature) {
            return &*it;
        }
    }
    return nullptr;
}

CopyCheck judged(const QByteArray& copy, const QByteArray& original, const QString& registerNumber,
                 const PdfSignatureReport& report)
{
    if (report.problem == Problem::noSignatures) {
        return made(CopyVerdict::noSignature);
    }
    if (report.problem != Problem::none) {
        return made(CopyVerdict::invalid, report.problem);
    }
    const SignatureEntry* added = lastSignature(report);
    if (added == nullptr) {
        return made(CopyVerdict::noSignature);
    }
    if (added->verdict == Verdict::invalid || report.verdict == Verdict::invalid) {
        return made(CopyVerdict::invalid, added->problem);
    }
    if (added->verdict == Verdict::changed || !added->coversWholeDocument) {
        return made(CopyVerdict::changedAfterSigning);
    }
    // The person approved the digest of their own bytes: those bytes must be the copy's start,
    // and the added signature must sign more than them.
    const qint64 signedEnd = added->byteRange[2] + added->byteRange[3];
    if (!copy.startsWith(original) || signedEnd <= original.size()) {
        return made(CopyVerdict::differentDocument);
    }
    if (added->signer.identifier.compare(registerNumber, Qt::CaseInsensitive) != 0) {
        return made(CopyVerdict::someoneElse, Problem::none, added->signer.identifier);
    }
    if (added->verdict == Verdict::notTrusted) {
        return made(CopyVerdict::notTrusted);
    }
    return made(CopyVerdict::signedAsAsked);
}

QString text(const char* key, common::AppLanguage language)
{
    return common::builtInText(QString::fromLatin1(key), language);
}

} // namespace

CopyCheck checkSignedCopy(const QByteArray& copy, const QByteArray& original,
                          const QString& registerNumber, const VerifyOptions& trust)
{
    // The document handed back unchanged carries at most the signatures it came with.
    if (copy == original) {
        return made(CopyVerdict::noSignature);
    }
    return judged(copy, original, registerNumber, verifyPdfBytes(copy, trust));
}

QString copyCheckText(const CopyCheck& check, common::AppLanguage language)
{
    switch (check.verdict) {
    case CopyVerdict::signedAsAsked:
        return {};
    case CopyVerdict::noSignature:
        return text("SignCopy_NoSignature", language);
    case CopyVerdict::invalid:
        return text("SignCopy_Invalid", language).arg(text(problemKey(check.problem), language));
    case CopyVerdict::changedAfterSigning:
        return text("SignCopy_ChangedAfterSigning", language);
    case CopyVerdict::differentDocument:
        return text("SignCopy_DifferentDocument", language);
    case CopyVerdict::someoneElse:
        return text("SignCopy_SomeoneElse", language).arg(check.signerIdentifier);
    case CopyVerdict::notTrusted:
        break;
    }
    return text("SignCopy_NotTrusted", language);
}

QString copyCheckCode(const CopyCheck& check)
{
    switch (check.verdict) {
    case CopyVerdict::signedAsAsked:
        return QStringLiteral("OK");
    case CopyVerdict::noSignature:
        return QStringLiteral("COPY_NOT_SIGNED");
    case CopyVerdict::invalid:
        return QStringLiteral("COPY_SIGNATURE_INVALID");
    case CopyVerdict::changedAfterSigning:
        return QStringLiteral("COPY_CHANGED_AFTER_SIGNING");
    case CopyVerdict::differentDocument:
        return QStringLiteral("COPY_DIFFERENT_DOCUMENT");
    case CopyVerdict::someoneElse:
        return QStringLiteral("COPY_SIGNED_BY_SOMEONE_ELSE");
    case CopyVerdict::notTrusted:
        break;
    }
    return QStringLiteral("COPY_SIGNER_NOT_TRUSTED");
}

} // namespace orvela::signing
