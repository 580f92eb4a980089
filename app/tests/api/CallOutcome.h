#pragma once

#include "api/ApiError.h"
#include "api/CallResult.h"

#include <QString>

namespace orvela::apitest {

/// What a call came back with: "ok", "transport" (Qt's own error, or a health probe's plain
/// false), the wait that timed out, or the client error's kind.
using Outcome = QString;
inline const Outcome succeeded = QStringLiteral("ok");
inline const Outcome failedInTransport = QStringLiteral("transport");
inline Outcome failedWith(api::ApiError::Kind kind)
{
    return QStringLiteral("kind %1").arg(static_cast<int>(kind));
}

inline Outcome timedOut(api::TransportError::Wait wait)
{
    return QStringLiteral("timed out %1").arg(static_cast<int>(wait));
}

template <class T> Outcome outcomeOf(const api::CallResult<T>& result)
{
    const api::ApiError* error = result.apiError();
    if (const api::TransportError* transport = result.transportError();
        transport && transport->timedOut != api::TransportError::Wait::none) {
        return timedOut(transport->timedOut);
    }
    return result.ok() ? succeeded : error ? failedWith(error->kind()) : failedInTransport;
}

} // namespace orvela::apitest
