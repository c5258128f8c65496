// The colour component draw.
#include "viewer/random_shade.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

TEST(RandomShade, IsAQuarterPlusOneGeneratorDrawIn256ths) {
  for (unsigned int seed = 1; seed <= 200; ++seed) {
    std::srand(seed);
    int expected[16];
    for (int& value : expected) {
      value = std::rand() % 256;
    }
    std::srand(seed);
    for (const int value : expected) {
      const float shade = randomShade();
      EXPECT_EQ(shade, 0.25f + static_cast<float>(value) / 256.0f);
      EXPECT_GE(shade, 0.25f);
      EXPECT_LE(shade, 1.24609375f);
    }
  }
}

}  // namespace
