#pragma once

#include "api/ApiError.h"
#include "common/AppLanguage.h"

#include <QString>
#include <optional>

namespace orvela::signing {

/// Why a signing ended without a signed copy, as a value with no words in it: the controller
/// keeps it, and the page or `orvela sign` words it (signFailureText) in the language of the
/// moment, so a message already shown follows a language switch.
struct SignFailure {
    enum class Kind {
        unreadable,          ///< the document could not be read: `detail` is the system's reason
        notAFile,            ///< `subject` (the document's name) is a folder, pipe or device
        notPdf,              ///< `subject` does not start like a PDF
        tooLarge,            ///< the document is past the largest accepted
        noDownloadsFolder,   ///< the system names no Downloads folder
        downloadsNotCreated, ///< the Downloads folder `subject` could not be made
        folderNotCreated,    ///< the folder `subject` the copy was sent to could not be made
        unwritableFolder,    ///< the folder `subject` takes no copy: `detail` is the reason
        declined,            ///< the person declined on the phone
        expired,             ///< the session ran out on the phone
        endedWith,           ///< another end: `detail` is the end result, else the state
        serviceError,        ///< the service's own words in `detail`, as they came
        call,                ///< a backend call failed, or its reply was unusable: `call`
    };
    Kind kind = Kind::endedWith;
    QString subject;
    QString detail;
    std::optional<api::CallError> call;

    bool operator==(const SignFailure&) const = default;
};

/// `failure` in words, in `language`.
QString signFailureText(const SignFailure& failure, common::AppLanguage language);

} // namespace orvela::signing
