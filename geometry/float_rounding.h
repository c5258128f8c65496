// Outward rounding from double to float, for results computed in double that must still
// bound their inputs once stored as floats (half lengths, radii, plane offsets).
#pragma once

#include <cmath>
#include <limits>

// The float nearest to x, opaque to the optimiser. g++ 12.2 at -O2, when its SLP vectoriser
// pairs two such conversions, treats double(float(x)) as x and so drops the rounding (seen on
// the x and y of a vector rounded to float and widened again). Passing the float through
// memory the compiler cannot see into keeps the rounding. Use it wherever a rounded value is
// widened again. Magnitudes of 2^128 and more (which round to infinity) give the infinity of
// their sign without a cast, which would be out of range.
inline float roundedToFloat(double x) {
  constexpr float INF = std::numeric_limits<float>::infinity();
  if (std::fabs(x) >= 0x1p128)
    return x > 0 ? INF : -INF;
  float f = static_cast<float>(x);
  asm volatile("" : "+m"(f));
  return f;
}

// The smallest float not below x; +infinity when x is beyond the float range.
inline float floatNotBelow(double x) {
  float f = roundedToFloat(x);
  if (static_cast<double>(f) < x)
    f = std::nextafter(f, std::numeric_limits<float>::infinity());
  return f;
}

// One float step above floatNotBelow(x): room for evaluating a bound in another order.
inline float floatAbove(double x) {
  return std::nextafter(floatNotBelow(x), std::numeric_limits<float>::infinity());
}
