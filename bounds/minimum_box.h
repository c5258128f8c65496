// Minimum-volume oriented box of a point set, searched on its convex hull.
//
// Based on O'Rourke's characterisation (1985): a minimum-volume box has two adjacent faces
// each flush with an edge of the hull (a face flush with a facet is the special case of two
// edges in one face). If a box face with normal a is flush with an edge, a lies on the arc of
// the Gauss sphere between the outward normals of the edge's two facets. For a fixed axis a,
// the best box is the hull's width along a times the minimum-area rectangle of the hull's
// projection onto the plane normal to a, and that rectangle (rotating calipers) has a side
// flush with a projected edge: the second flush edge. So the minimum box is the minimum of
//   g(a) = width(a) * minimumRectangleArea(projection along a)
// over the arcs of the Gauss sphere, and the search is one-dimensional:
// 1. g at every facet normal (the arcs' ends): exact for boxes with a face on a facet.
// 2. g along the arcs between adjacent facets: samples, then golden-section refinement of
//    every sampled local minimum (and of an end whose arc starts downhill). Arcs are visited
//    in order of their ends' values; an arc is left out when a Lipschitz bound shows it
//    cannot beat the best box found: when every axis of a frame moves by at most t (the
//    frame turned by an angle t or less) every width changes by at most 2 * rho * t (rho:
//    largest distance of a hull vertex from their centroid), and every width is at least 2 * r
//    (r: distance from that centroid to the nearest facet plane), so g at angle t from a
//    direction is at least g there / (1 + rho * t / r)^3.
// 3. The best frame found, the coordinate axes and the frames passed in by the caller (the
//    facet-moment box) are each measured over ALL input points (enclosingBox); the smallest
//    volume wins, so the result is never larger than the axis-aligned box or those boxes
//    (beyond the outward rounding of the float results, about 1e-7 relative).
// Hulls of more than 4,000 facets (options.surveyAboveFacets) are first surveyed at 432 directions
// (a 12 x 12 grid on three faces of a cube; g(a) = g(-a)); facets are then visited best cell first,
// and the same bound, over a cell's angular radius, excludes facets. All steps share one work
// budget.
//
// Projections: the outline seen along a is walked on the hull's vertex graph (gift wrapping:
// from the vertex farthest to one side, always to the neighbour that keeps the others on its
// left), its planar hull taken in linear time (Melkman), and widths found by hill climbing
// from the previous direction's answer: O(outline) per direction, about sqrt(vertices) on
// round shapes. The walk needs only the edges, not a clean surface (the project's hull, with
// its tolerances, can have a few folded facets). Each rectangle is confirmed by climbing from
// its extreme outline vertices; where a walk fails or is not confirmed, every hull vertex is
// projected and the planar hull sorted instead: O(vertices log vertices).
//
// Contract (stated once, here):
// - points: the input, all of which the box holds (tested in double on the stored float
//   fields, see bounds/oriented_box.h). hull: the convex hull of the points or of an image of
//   them under translation and positive uniform scaling (only directions are taken from it,
//   as from a hull built on normalised points). A hull that leaves points out (tolerances)
//   only changes which directions are tried.
// - All arithmetic in double; deterministic: the same input gives the same box bit for bit.
// - Exactness: with report->complete, every facet and arc was searched or excluded by the
//   bound, and the volume is the minimum up to the one-dimensional refinement along arcs
//   (angle tolerance 1e-7 radians: a relative volume error far below 1e-4) and the outward
//   rounding. The search's work is capped (options.work): with the default the search is
//   complete on round hulls (where the bound excludes almost nothing) up to about 1,500
//   vertices, in about half a second; beyond, report->complete is false and the most
//   promising facets and arcs have been searched. On round hulls of 10,000 and 100,000
//   vertices the capped result agrees with a complete search (or one with ten times the
//   budget) to within about 1e-5 relative: there every orientation is nearly as good.
// - A hull graph without a facet of non-zero area (flat, linear or single-point input) falls
//   back to the covariance frame and the minimum rectangle in its principal plane.
// - The box is in the canonical frame (bounds/box_frame.h).
#pragma once

#include <cstddef>
#include <span>

#include "bounds/hull_graph.h"
#include "bounds/oriented_box.h"
#include "geometry/vector3.h"
#include "hull/convex_hull.h"

struct MinimumBoxOptions {
  // Cap on the work of the search, in vertices looked at (about 20 ns each on the development
  // machine): the default stops the search after about a second.
  double work = 4e7;
  // Hulls with more facets are surveyed on the grid of directions first.
  std::size_t surveyAboveFacets = 4000;
  // False: project every hull vertex for every direction (the plain, slower reference the
  // tests compare the walked outlines with).
  bool walkOutlines = true;
};

struct MinimumBoxReport {
  std::size_t facetDirections = 0;  // facets with a usable normal
  std::size_t facetsSearched = 0;
  std::size_t facetsExcluded = 0;  // shown by the bound to hold no smaller box
  std::size_t arcs = 0;            // arcs between the normals of facets sharing an edge
  std::size_t arcsSearched = 0;
  std::size_t arcsExcluded = 0;       // shown by the bound to hold no smaller box
  std::size_t evaluations = 0;        // directions evaluated in all
  bool complete = false;              // every facet and every arc searched or excluded
  bool walkedOutlines = false;        // outlines were walked on the hull graph
  std::size_t projectedOutlines = 0;  // walks that failed and projected every vertex instead
};

OrientedBox minimumVolumeBox(std::span<const Vector3> points, const HullGraph& hull,
                             std::span<const BoxAxes> extraCandidates = {},
                             const MinimumBoxOptions& options = {},
                             MinimumBoxReport* report = nullptr);

// The same on the project's hull, with the facet-moment box of that hull (fitBoxToHull) as an
// extra candidate, so the result is never larger than it.
OrientedBox minimumVolumeBox(std::span<const Vector3> points, const ConvexHull& hull,
                             MinimumBoxReport* report = nullptr);
