// Volume of the convex hull by the divergence theorem: the signed volumes of the tetrahedra
// from a reference point to every triangle of every facet's fan, summed in double. The hull's
// volume is the lower bound every convex bounding volume is measured against.
//
// Contract (stated once, here):
// - Reads hull.facets in list order and of each facet `vertices` (fan 0, k-1, k); facets with
//   fewer than three vertices add nothing. The reference point, unless the caller gives one,
//   is the first vertex of the first facet, which keeps the products small at any distance
//   from the origin.
// - Returns the magnitude of the sum, so the winding (inward on the project's hull) does not
//   matter; a hull whose facets do not close gives a number without meaning. No facets give 0.
#pragma once

#include "geometry/vector3d.h"
#include "hull/convex_hull.h"

double hullVolume(const ConvexHull& hull);
// The same sum with the given reference, for a caller that knows a point near the hull's
// middle (the signed volumes then cancel less).
double hullVolume(const ConvexHull& hull, const Vector3d& reference);
