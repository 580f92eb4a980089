#pragma once

#include <QString>
#include <array>

namespace orvela::shell {

/// Which activity records the log page lists; raw values are the record types they keep.
enum class LogFilter { all, auth, sign };

inline constexpr std::array<LogFilter, 3> allLogFilters{LogFilter::all, LogFilter::auth,
                                                        LogFilter::sign};

/// "all", "AUTH" or "SIGN".
QString rawValue(LogFilter filter);

} // namespace orvela::shell
