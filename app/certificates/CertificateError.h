#pragma once

#include "common/AppLanguage.h"
#include "common/LocalInput.h"

#include <QString>
#include <optional>

namespace orvela::certificates {

/// Why a certificate could not be read; worded by the screen or command that shows it.
struct CertificateError {
    enum class Kind {
        emptyPem,       ///< nothing was pasted
        badPem,         ///< the text between the markers is not Base64
        notX509,        ///< the bytes are no X.509 certificate
        fileNotFound,   ///< `source` could not be opened or read
        unreadableInput ///< a FIFO, a device or too large: `input` says which
    };
    Kind kind = Kind::notX509;
    QString source;
    std::optional<common::LocalInputError> input;

    bool operator==(const CertificateError&) const = default;
};

/// The error as a person reads it, in `language`.
QString certificateErrorText(const CertificateError& error, common::AppLanguage language);

} // namespace orvela::certificates
