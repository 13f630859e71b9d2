// The generator's single process-wide state, used on the main thread only.
#include "platform/Random.h"

namespace platform {
namespace {
// The runtime starts as if srand(1) had been called.
uint32_t state = 1;
} // namespace

void SeedRandom(uint32_t seed) { state = seed; }

int Random() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF);
}

} // namespace platform
