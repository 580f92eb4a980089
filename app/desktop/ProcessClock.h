#pragma once

namespace orvela::desktop {

/// Milliseconds since the kernel started this process (its start time in /proc/self/stat), so
/// start-up figures include loading the program and its libraries; or since the moment a
/// launcher put in ORVELA_LAUNCH_MONOTONIC_NS (CLOCK_MONOTONIC, ns). Negative when unknown.
double millisecondsSinceProcessStart();

} // namespace orvela::desktop
