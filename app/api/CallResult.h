#pragma once

#include "api/ApiError.h"

#include <utility>
#include <variant>

namespace orvela::api {

/// The outcome of a backend call: its value or the reason it failed.
template <class T> class CallResult {
public:
    CallResult(T value) : m_state(std::move(value)) {}
    CallResult(CallError error) : m_state(std::in_place_index<1>, std::move(error)) {}
    CallResult(ApiError error) : CallResult(CallError(std::move(error))) {}
    CallResult(TransportError error) : CallResult(CallError(std::move(error))) {}

    bool ok() const { return m_state.index() == 0; }
    const T& value() const { return std::get<0>(m_state); }
    const CallError& error() const { return std::get<1>(m_state); }

    /// The client error, or null when the call succeeded or failed in transport.
    const ApiError* apiError() const { return ok() ? nullptr : std::get_if<ApiError>(&error()); }
    /// The transport error, or null when the call succeeded or failed otherwise.
    const TransportError* transportError() const
    {
        return ok() ? nullptr : std::get_if<TransportError>(&error());
    }

private:
    std::variant<T, CallError> m_state;
};

} // namespace orvela::api
