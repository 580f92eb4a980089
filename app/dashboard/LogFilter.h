#pragma once

#include <QString>
#include <array>

namespace orvela::dashboard {

/// Which activity records the log page lists; raw values are the record types they keep.
enum class LogFilter { all, auth, sign };

inline constexpr std::array<LogFilter, 3> allLogFilters{LogFilter::all, LogFilter::auth,
                                                        LogFilter::sign};

/// "all", "AUTH" or "SIGN".
QString rawValue(LogFilter filter);

/// The kind a record of type `sessionType` is shown, filtered and counted as: "SIGN" is a
/// signature, every other type a sign-in, as its row shows it.
inline LogFilter logKindOf(const QString& sessionType)
{
    return sessionType == u"SIGN" ? LogFilter::sign : LogFilter::auth;
}

} // namespace orvela::dashboard
