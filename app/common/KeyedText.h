#pragma once

#include <QString>

namespace orvela::common {

/// A text of the string tables named by its key, with what fills its "%1" or follows it (a
/// count, a path, a lower layer's message). Logic keeps the key; a screen words it in the interface
/// language when it shows it, so a text already on screen follows a language switch. Without a key
/// it is the argument as it is.
struct KeyedText {
    QString key;
    QString argument;

    bool isEmpty() const { return key.isEmpty() && argument.isEmpty(); }
    bool operator==(const KeyedText&) const = default;
};

} // namespace orvela::common
