// A sphere as the volumes store it: a float centre and radius. The demo's incremental fit
// keeps the SQUARED radius in `radius` while it works (bounds/minimal_sphere.h); every sphere
// handed back by a library function holds the plain radius.
#pragma once

#include "geometry/vector3.h"

struct Sphere {
  Vector3 center = Vector3::ZERO;
  float radius = 1.0f;  // while a fit is in progress: the squared radius
};
