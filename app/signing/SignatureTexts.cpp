#include "signing/SignatureTexts.h"

#include <array>
#include <utility>

namespace orvela::signing {

namespace {

struct Words {
    const char* key;
    const char* name;
};

// One row per enumerator, in the enumeration's order.
constexpr Words verdictWords[] = {
    {"Verify_Verdict_Valid", "valid"},
    {"Verify_Verdict_NotTrusted", "notTrusted"},
    {"Verify_Verdict_Changed", "changed"},
    {"Verify_Verdict_Invalid", "invalid"},
};

constexpr Words problemWords[] = {
    {"Verify_Problem_None", "none"},
    {"Verify_Problem_FileNotRead", "fileNotRead"},
    {"Verify_Problem_NotPdf", "notPdf"},
    {"Verify_Problem_NoSignatures", "noSignatures"},
    {"Verify_Problem_TooManySignatures", "tooManySignatures"},
    {"Verify_Problem_UnsupportedFilter", "unsupportedFilter"},
    {"Verify_Problem_ContentsMissing", "contentsMissing"},
    {"Verify_Problem_ByteRangeMalformed", "byteRangeMalformed"},
    {"Verify_Problem_ByteRangeOutsideFile", "byteRangeOutsideFile"},
    {"Verify_Problem_GapNotSignature", "gapNotSignature"},
    {"Verify_Problem_RevisionIncomplete", "revisionIncomplete"},
    {"Verify_Problem_SignatureUnreadable", "signatureUnreadable"},
    {"Verify_Problem_WeakDigest", "weakDigest"},
    {"Verify_Problem_DigestMismatch", "digestMismatch"},
    {"Verify_Problem_SignatureMismatch", "signatureMismatch"},
    {"Verify_Problem_SignerMissing", "signerMissing"},
    {"Verify_Problem_SignerNotValidAtSigningTime", "signerNotValidAtSigningTime"},
    {"Verify_Problem_SignerKeyUsage", "signerKeyUsage"},
    {"Verify_Problem_TimestampMismatch", "timestampMismatch"},
};
static_assert(std::size(problemWords) == static_cast<std::size_t>(Problem::timestampMismatch) + 1);

constexpr Words changeWords[] = {
    {"Verify_Change_PageContent", "pageContent"},
    {"Verify_Change_Catalogue", "catalogue"},
    {"Verify_Change_Annotation", "annotation"},
    {"Verify_Change_Form", "form"},
    {"Verify_Change_Other", "other"},
};

constexpr Words trustWords[] = {
    {"Verify_Trust_Trusted", "trusted"},
    {"Verify_Trust_UnknownAuthority", "unknownAuthority"},
    {"Verify_Trust_Expired", "expired"},
    {"Verify_Trust_Broken", "broken"},
};

constexpr Words keyUsageWords[] = {
    {"Verify_KeyUsage_DigitalSignature", "digitalSignature"},
    {"Verify_KeyUsage_NonRepudiation", "nonRepudiation"},
    {"Verify_KeyUsage_KeyEncipherment", "keyEncipherment"},
    {"Verify_KeyUsage_DataEncipherment", "dataEncipherment"},
    {"Verify_KeyUsage_KeyAgreement", "keyAgreement"},
    {"Verify_KeyUsage_KeyCertSign", "keyCertSign"},
    {"Verify_KeyUsage_CrlSign", "cRLSign"},
};

template <typename Enum, std::size_t N> const Words& row(const Words (&table)[N], Enum value)
{
    return table[static_cast<std::size_t>(value)];
}

} // namespace

const char* verdictKey(Verdict verdict)
{
    return row(verdictWords, verdict).key;
}

const char* problemKey(Problem problem)
{
    return row(problemWords, problem).key;
}

const char* changeKey(Change change)
{
    return row(changeWords, change).key;
}

const char* trustKey(Trust trust)
{
    return row(trustWords, trust).key;
}

const char* keyUsageKey(const QString& usage)
{
    for (const Words& words : keyUsageWords) {
        if (usage == QLatin1String(words.name)) {
            return words.key;
        }
    }
    return nullptr;
}

QString verdictName(Verdict verdict)
{
    return QString::fromLatin1(row(verdictWords, verdict).name);
}

QString problemName(Problem problem)
{
    return QString::fromLatin1(row(problemWords, problem).name);
}

QString changeName(Change change)
{
    return QString::fromLatin1(row(changeWords, change).name);
}

QString trustName(Trust trust)
{
    return QString::fromLatin1(row(trustWords, trust).name);
}

} // namespace orvela::signing
