// The generator must reproduce the Windows runtime exactly, not glibc's.
#include "platform/Random.h"

#include <gtest/gtest.h>

using platform::Random;
using platform::SeedRandom;

TEST(RandomTest, FirstValuesAfterSeedOneMatchTheRuntime) {
    // The well-known opening of the runtime's sequence for srand(1).
    SeedRandom(1);
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
    for (int value : expected)
        EXPECT_EQ(Random(), value);
}

TEST(RandomTest, FollowsTheRecurrenceForAnySeed) {
    for (uint32_t seed : {0u, 12345u, 0xFFFFFFFFu, 1'765'324'800u}) {
        SeedRandom(seed);
        uint32_t state = seed;
        for (int i = 0; i < 1000; ++i) {
            state = state * 214013u + 2531011u;
            ASSERT_EQ(Random(), static_cast<int>((state >> 16) & 0x7FFF)) << "seed " << seed;
        }
    }
}
