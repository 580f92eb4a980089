#pragma once

#include <QString>

#include <exception>
#include <optional>

namespace orvela::cli {

/// What to do about a failure of the token layers, when the failure is one a person can mend:
/// a sentence in the interface language and a fixed reason word for scripts.
struct Diagnosis {
    QString reason; ///< for example "pcscd-not-running"; stable across languages
    QString message;
};

/// The diagnosis of `error`, or nullopt when the layer's own message is the best there is.
/// `reader` is the reader index the command used, if any. May ask the card service once more,
/// to tell a stopped service from a missing reader.
std::optional<Diagnosis> diagnose(const std::exception& error, std::optional<int> reader);

} // namespace orvela::cli
