#pragma once

// vpcd's second reader, which a test feeds from its own process through VpcdBridge. The first
// reader belongs to orvela-vcard. scripts/test sets ORVELA_VPCD=1 once pcscd runs, which turns a
// missing reader into a failure instead of a skip.

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <winscard.h>

namespace orvela::tokenkit::test {

inline constexpr const char* kBridgeReader = "Virtual PCD 00 01";

/// The card side of the second reader: vpcd's default, or the one after the port of the
/// private reader scripts/test set up for this run.
inline std::uint16_t bridgePort()
{
    const char* first = std::getenv("ORVELA_VPCD_PORT");
    return static_cast<std::uint16_t>((first != nullptr ? std::atoi(first) : 35963) + 1);
}

inline bool vpcdRequired()
{
    const char* flag = std::getenv("ORVELA_VPCD");
    return flag != nullptr && std::string(flag) == "1";
}

/// Blocks in SCardGetStatusChange until the reader shows (or no longer shows) a card; false
/// after 10 s, which only guards against a hang.
inline bool waitForCard(bool present, const char* reader = kBridgeReader)
{
    using namespace std::chrono_literals;
    SCARDCONTEXT context = 0;
    if (SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &context) != SCARD_S_SUCCESS) {
        return false;
    }
    SCARD_READERSTATE state{};
    state.szReader = reader;
    state.dwCurrentState = SCARD_STATE_UNAWARE;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    bool reached = false;
    while (!reached && std::chrono::steady_clock::now() < deadline) {
        if (SCardGetStatusChange(context, 1000, &state, 1) == SCARD_S_SUCCESS) {
            reached = ((state.dwEventState & SCARD_STATE_PRESENT) != 0) == present;
            state.dwCurrentState = state.dwEventState & ~SCARD_STATE_CHANGED;
        }
    }
    SCardReleaseContext(context);
    return reached;
}

/// The code of the Error the action raised; a test failure when it raised none.
template <class Error> auto errorCodeOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Error& error) {
        return error.code();
    }
    ADD_FAILURE() << "no such error thrown";
    return decltype(std::declval<Error>().code()){};
}

} // namespace orvela::tokenkit::test
