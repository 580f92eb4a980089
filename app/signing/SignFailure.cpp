#include "signing/SignFailure.h"

#include "common/LocalizationTables.h"

namespace orvela::signing {

namespace {

QString text(const char* key, common::AppLanguage language)
{
    return common::builtInText(QString::fromLatin1(key), language);
}

} // namespace

QString signFailureText(const SignFailure& failure, common::AppLanguage language)
{
    using Kind = SignFailure::Kind;
    switch (failure.kind) {
    case Kind::unreadable:
    case Kind::serviceError:
        return failure.detail;
    case Kind::notAFile:
        return text("SignFailure_NotAFile", language).arg(failure.subject);
    case Kind::notPdf:
        return text("SignFailure_NotPdf", language).arg(failure.subject);
    case Kind::tooLarge:
        return text("SignFailure_TooLarge", language);
    case Kind::noDownloadsFolder:
        return text("SignFailure_NoDownloadsFolder", language);
    case Kind::downloadsNotCreated:
        return text("SignFailure_DownloadsNotCreated", language).arg(failure.subject);
    case Kind::folderNotCreated:
        return text("SignFailure_FolderNotCreated", language).arg(failure.subject);
    case Kind::unwritableFolder:
        return text("SignFailure_UnwritableFolder", language).arg(failure.subject, failure.detail);
    case Kind::declined:
        return text("SignFailure_Declined", language);
    case Kind::expired:
        return text("SignFailure_Expired", language);
    case Kind::endedWith:
        return text("SignFailure_EndedWith", language).arg(failure.detail);
    case Kind::call:
        return failure.call ? api::errorMessage(*failure.call, language) : QString();
    }
    return {};
}

} // namespace orvela::signing
