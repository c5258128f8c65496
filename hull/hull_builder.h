// Internals of ConvexHull::build, shared by the library's own files only: the choice of the
// first tetrahedron's corners, and the indexed build that grows the hull exactly as the
// literal stages of convex_hull.h would, step for step and bit for bit, in far less time.
//
// The indexed build keeps points as indices into a copy-free array of distinct points
// (copies of a point always travel together and only the first is ever handed on), planes
// in contiguous arrays, outside sets in one pool, and the sides of the facets in a hash
// index keyed by their two vertices. Matching sides by vertex identity is the literal
// coordinate comparison as long as no two distinct vertices lie within the matching
// tolerance; the build checks every vertex that joins against a grid of the earlier ones
// and, should two ever be that close, links by the literal scan from then on.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "geometry/vector3.h"

class ConvexHull;

// The first tetrahedron: its corners P0 to P3 as indices into the points (-1 stands for the
// origin, taken when there are no points) and as points, and the interior point.
struct SimplexCorners {
  std::array<std::int32_t, 4> index{};
  std::array<Vector3, 4> point{};
  Vector3 interiorPoint;
};

// The choice ConvexHull::buildInitialSimplex makes, corners already wound inward.
SimplexCorners chooseSimplexCorners(std::span<const Vector3> points);

struct Edge;

// The literal matching of two sides: both directions, every coordinate within tolerance.
bool sidesMatch(const Edge& e, const Edge& g);

// Builds hull (freshly constructed) from at least one point, every coordinate finite; the
// result equals that of the literal stages (buildInitialSimplex, then findHorizon,
// addFacetFromEdge, the removal of the seen facets and linkNeighbors, step after step).
void buildIndexed(ConvexHull& hull, const std::vector<Vector3>& points);
