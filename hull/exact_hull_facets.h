// The exact hull as the facet list that the box fit, the minimal sphere, the minimum box and
// the scene read (hull/convex_hull.h's Facet, loop wound so that its normal points inward).
//
// Contract (stated once, here):
// - coordinates[i] is where input point i is placed (the input itself, or a normalised copy
//   of it); only the hull's triangle corners are read.
// - One triangular facet per hull triangle, in the hull's order: the loop (v0, v2, v1) of the
//   triangle (v0, v1, v2), so its normal points inward as the demo's hull winds them, ids 0,
//   1, 2, ...; sides are not linked and there are no outside points. A hull without
//   triangles (Point, Segment) gives no facets; a Polygon gives both its sides.
// - centredFacetsOf: the same, except that a face of more than three corners comes as the fan
//   of triangles from the mean of its corners (rounded to float) to each side, in the face's
//   corner order. Readers that weight triangles (the facet-moment box fit, which reads each
//   facet's first three vertices as one triangle) then see a face the same whichever
//   diagonals the hull split it along: the splits of a box's six rectangles balance.
#pragma once

#include <span>

#include "geometry/vector3.h"
#include "hull/convex_hull.h"
#include "hull/exact_hull.h"

ConvexHull facetsOf(const ExactHull& hull, std::span<const Vector3> coordinates);
ConvexHull centredFacetsOf(const ExactHull& hull, std::span<const Vector3> coordinates);
