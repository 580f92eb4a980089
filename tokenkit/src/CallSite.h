#pragma once

#include <cstdint>
#include <version>

#if defined(__cpp_lib_source_location)
#include <source_location>
#endif

namespace orvela::tokenkit {

#if defined(__cpp_lib_source_location)
/// Where a checked platform call was made, for its failure log line.
using CallSite = std::source_location;
#else
/// clang 14 over libstdc++ 12 (the fuzzing build) has no std::source_location; call sites
/// are then logged without a place.
struct CallSite {
    static constexpr CallSite current() noexcept { return {}; }
    constexpr const char* file_name() const noexcept { return ""; }
    constexpr const char* function_name() const noexcept { return ""; }
    constexpr std::uint_least32_t line() const noexcept { return 0; }
    constexpr std::uint_least32_t column() const noexcept { return 0; }
};
#endif

} // namespace orvela::tokenkit
