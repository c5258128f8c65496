// The scene's colour component draw.
#include "viewer/random_shade.h"

#include <cstdlib>

float randomShade() {
  return 0.25f + static_cast<float>(std::rand() % 256) * (1.0f / 256.0f);
}
