// Canonical order and signs of a box's axes; see the header for the rule.
#include "volumes/box_frame.h"

#include <cmath>
#include <utility>

#include "geometry/vector3d.h"

namespace {

// True when the component of largest magnitude (first of equals) is negative.
bool leadsNegative(const Vector3& v) {
  int lead = 0;
  for (int k = 1; k < 3; ++k) {
    if (std::fabs(v[k]) > std::fabs(v[lead]))
      lead = k;
  }
  return v[lead] < 0.0f;
}

}  // namespace

void canonicaliseBoxFrame(Vector3 (&axes)[3], Vector3& halfLengths) {
  // Stable insertion sort of three, longest first.
  for (int i = 1; i < 3; ++i) {
    for (int j = i; j > 0 && halfLengths[j] > halfLengths[j - 1]; --j) {
      std::swap(axes[j], axes[j - 1]);
      std::swap(halfLengths[j], halfLengths[j - 1]);
    }
  }
  for (int k = 0; k < 2; ++k) {
    if (leadsNegative(axes[k]))
      axes[k] = -axes[k];
  }
  const double handedness = dot(cross(Vector3d(axes[0]), Vector3d(axes[1])), Vector3d(axes[2]));
  if (handedness < 0.0)
    axes[2] = -axes[2];
}
