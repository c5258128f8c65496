// The exact hull as the facet lists that the box fit, the minimum box and the scene read
// (hull/convex_hull.h's Facet, loop wound so that its normal points inward).
//
// Contract (stated once, here):
// - coordinates[i] is where input point i is placed (the input itself, or a normalised copy
//   of it); only the hull's face corners are read. Facet ids count 0, 1, 2, ...; sides are
//   not linked and there are no outside points. A hull without faces (Point, Segment) gives
//   no facets; a Polygon gives both its sides.
// - facetsOf: one facet per face, in the hull's order, the loop the face's corners reversed
//   (inward normal, as the demo's hull winds them) and fanned from its first corner. The
//   minimum box then walks the true edges, and the scene draws each face as one polygon.
// - centredFacetsOf: a triangular face as its triangle, a face of more corners as the fan of
//   triangles from the mean of its corners (rounded to float) to each side, in the face's
//   corner order. Readers that weight triangles (the facet-moment box fit, which reads each
//   facet's first three vertices as one triangle) then see a face the same whichever
//   diagonals a triangulation would split it along: the splits of a box's six rectangles
//   balance.
#pragma once

#include <span>

#include "geometry/vector3.h"
#include "hull/convex_hull.h"
#include "hull/exact_hull.h"

ConvexHull facetsOf(const ExactHull& hull, std::span<const Vector3> coordinates);
ConvexHull centredFacetsOf(const ExactHull& hull, std::span<const Vector3> coordinates);
