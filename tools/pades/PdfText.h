#pragma once

// Internal: writing PDF object text from objects qpdf has read.

#include <initializer_list>
#include <qpdf/QPDFObjectHandle.hh>
#include <string>

namespace orvela::pades::text {

inline std::string ref(int number)
{
    return std::to_string(number) + " 0 R";
}

/// `dictionary` unparsed without the keys in `drop`, with `extra` added before its end.
inline std::string rewritten(QPDFObjectHandle dictionary, std::initializer_list<const char*> drop,
                             const std::string& extra)
{
    QPDFObjectHandle copy = dictionary.shallowCopy();
    for (const char* key : drop) {
        copy.removeKey(key);
    }
    std::string text = copy.unparse();
    text.erase(text.rfind(">>"));
    return text + extra + " >>";
}

/// The items of `array` (nothing when it is not one) and `added`, as array text.
inline std::string itemsOf(QPDFObjectHandle array, const std::string& added)
{
    std::string text = "[";
    if (array.isArray()) {
        for (QPDFObjectHandle item : array.aitems()) {
            text += item.unparse() + " ";
        }
    }
    return text + added + "]";
}

} // namespace orvela::pades::text
