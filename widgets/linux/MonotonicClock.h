#pragma once

#include <cstdint>

namespace vt {

// Milliseconds of the system's monotonic clock, which no change of the wall clock moves.
int64_t MonotonicMs();

}  // namespace vt
