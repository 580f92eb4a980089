#include "updates/UpdateOutcome.h"

#include "common/LocalizationTables.h"
#include "updates/UpdateChecker.h"

namespace orvela::updates {

namespace {

using Failure = UpdateCheckResult::Failure;

QString text(const char* key, common::AppLanguage language)
{
    return common::builtInText(QString::fromLatin1(key), language);
}

/// A transport failure in words a person can act on; Qt's own texts have no Mongolian.
QString transportReason(const api::TransportError& error, common::AppLanguage language)
{
    if (error.timedOut != api::TransportError::Wait::none || error.pinRefused) {
        return api::errorMessage(error, language);
    }
    switch (error.code) {
    case QNetworkReply::HostNotFoundError:
        return text("Update_Failed_HostNotFound", language);
    case QNetworkReply::SslHandshakeFailedError:
        return text("Update_Failed_Tls", language);
    default:
        break;
    }
    return text("Update_Failed_Unreachable", language);
}

QString transferReason(const api::CallError& error, common::AppLanguage language)
{
    if (const auto* transport = std::get_if<api::TransportError>(&error)) {
        return transportReason(*transport, language);
    }
    const auto& apiError = std::get<api::ApiError>(error);
    switch (apiError.kind()) {
    case api::ApiError::Kind::server:
        // The status says enough; an error page's text is no message for a person.
        return text("Update_Failed_Status", language).arg(apiError.status());
    case api::ApiError::Kind::replyTooLarge:
        return text("Update_Failed_TooLarge", language)
            .arg(UpdateChecker::maxFeedBytes / (1024 * 1024));
    default:
        break;
    }
    return apiError.message(language);
}

} // namespace

QString failureReason(const UpdateCheckResult& result, common::AppLanguage language)
{
    switch (result.failure) {
    case Failure::transfer:
        if (result.transferError) {
            return transferReason(*result.transferError, language);
        }
        break;
    case Failure::noFeed:
    case Failure::notChecked:
        return text("Settings_Updates_NoFeed", language);
    case Failure::notAFeed:
        return text("Update_Failed_NotAFeed", language);
    case Failure::noRelease:
        return text("Update_Failed_NoRelease", language);
    case Failure::none:
        break;
    }
    return text("Update_Failed_Unreachable", language);
}

UpdateOutcome describeOutcome(const UpdateCheckResult& result, const QString& installedVersion,
                              common::AppLanguage language)
{
    switch (result.status) {
    case UpdateCheckResult::Status::upToDate:
        return {text("Update_UpToDate_Title", language),
                text("Update_UpToDate_Message", language).arg(installedVersion),
                {},
                {}};
    case UpdateCheckResult::Status::updateAvailable:
        return {text("Update_New_Title", language),
                text("Update_New_Message", language).arg(result.latestVersion, installedVersion),
                result.notes, result.downloadUrl};
    case UpdateCheckResult::Status::failed:
        break;
    }
    return {text("Update_Failed_Title", language), failureReason(result, language), {}, {}};
}

} // namespace orvela::updates
