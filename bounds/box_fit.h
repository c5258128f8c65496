// Oriented bounding box fitted to a convex hull by area-weighted facet moments.
#pragma once

#include <ostream>

#include "geometry/vector3.h"
#include "hull/convex_hull.h"

struct OBB {
  Vector3 center;
  Vector3 halfLengths;  // component k belongs to axes[k]; never negative for a fitted box
  Vector3 axes[3];      // unit length up to rounding; the frame may be left-handed
};

// Fits box to the hull's facets and writes the six-line box report to out.
void fitBoxToHull(const ConvexHull& hull, OBB& box, std::ostream& out);
// The same, reporting on standard output.
void fitBoxToHull(const ConvexHull& hull, OBB& box);
