// The Windows C runtime's random generator (srand/rand), which the exercise's
// spot placement depends on. glibc's rand is a different algorithm, so the
// program carries its own.
#pragma once

#include <cstdint>

namespace platform {

// srand: state = seed.
void SeedRandom(uint32_t seed);

// rand: state = state × 214013 + 2531011 (mod 2^32); returns (state >> 16) & 0x7FFF.
int Random();

// The maximum value Random returns (RAND_MAX of the Windows runtime).
inline constexpr int kRandomMax = 0x7FFF;

} // namespace platform
