// HullGraph: the convex hull as shared vertices, facet loops over them and edges. The hull
// itself stores every facet's vertices by value, so a vertex appears once per facet that
// holds it; constructions that walk the hull's surface (the minimum box) need each vertex
// once and know which facets meet at an edge.
//
// Contract (stated once, here):
// - vertices: each distinct point once, by exact coordinates (a copy of an input point equals
//   it; -0 and +0 are the same coordinate), in order of first appearance along the facets.
// - facets: one loop of vertex indices per facet with at least three distinct vertices, in
//   the hull's list order and winding; a vertex repeated next to itself is dropped.
// - edges: every pair of vertices adjacent along some loop, once, smaller index first, sorted.
// - Nothing is checked beyond that: a hull that is not a closed surface gives a graph that is
//   not one either, and its users must cope (the minimum box does).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "geometry/vector3.h"
#include "hull/convex_hull.h"

struct HullGraph {
  std::vector<Vector3> vertices;
  std::vector<std::vector<std::int32_t>> facets;
  std::vector<std::array<std::int32_t, 2>> edges;
};

HullGraph gatherHullGraph(const ConvexHull& hull);
// The same from loops of points, as another hull program (or a test) hands them over.
HullGraph hullGraphFromLoops(std::span<const std::vector<Vector3>> loops);
