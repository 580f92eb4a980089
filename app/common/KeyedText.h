#pragma once

#include "common/LocalInput.h"

#include <QString>
#include <optional>
#include <utility>

namespace orvela::common {

/// A text of the string tables named by its key, with what fills its "%1" or follows it (a
/// count, a path, a lower layer's message). Logic keeps the key; a screen words it in the interface
/// language when it shows it, so a text already on screen follows a language switch. Without a key
/// it is the argument as it is.
struct KeyedText {
    KeyedText() = default;
    KeyedText(QString textKey, QString textArgument = {})
        : key(std::move(textKey)), argument(std::move(textArgument))
    {}
    KeyedText(QString textKey, QString textArgument, LocalInputError failedInput)
        : key(std::move(textKey)), argument(std::move(textArgument)), input(std::move(failedInput))
    {}

    QString key;
    QString argument;
    /// Local input that was not taken, worded in the language shown in place of `argument`.
    std::optional<LocalInputError> input;

    bool isEmpty() const { return key.isEmpty() && argument.isEmpty() && !input; }
    bool operator==(const KeyedText&) const = default;
};

} // namespace orvela::common
