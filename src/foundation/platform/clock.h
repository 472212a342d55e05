#pragma once
#include <cstdint>

// Milliseconds of CLOCK_MONOTONIC, kept as a 32-bit counter (it wraps like a system tick count).
std::uint32_t Clock_TickMs();
