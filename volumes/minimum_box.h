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
// 2. g along every arc between adjacent facets, by branch and bound: a piece of an arc is
//    evaluated at its middle and kept when a lower bound of g over the whole piece is within
//    options.gap of the best box found (or above it), and halved otherwise. Every direction
//    of every arc lies in a decided piece, so nothing is sampled and nothing can be missed:
//    the box found is within the reported gap of the true minimum. Two lower bounds are taken
//    and the larger used; both hold for every direction of the piece, not just near samples.
//    - Local: moving along an arc turns a about the edge direction d1, so the plane normal
//      to a turns about d1 too. In the frame (d1, a x d1) of that plane a vertex at (y, z) in
//      the frame (a x d1, a) moves by at most |y| t^2 / 2 + |z| t when a turns by t (about any
//      centre, since widths ignore translations). The outline vertices at the middle are a
//      subset of the hull, so their rectangle bounds the hull's from below; each of their
//      widths shrinks by at most twice that motion, so the rectangle by at most 4 * motion
//      * largest width (no more than twice the farthest outline vertex from any centre). The width
//      along a is at least (p0 - q) . a for an end p0 of the edge (on every face of the arc) and
//      the middle's antipode q. On round hulls the outline lies near one plane (small z) and this
//      bound is sharp to second order. It holds for any piece that holds the evaluated
//      direction, so a facet's own evaluation bounds its whole arcs: it can leave a
//      neighbouring facet unevaluated and exclude an arc whose other end was left out.
//    - Global: when every axis of a frame moves by at most t (the frame turned by an angle t
//      or less) every width changes by at most 2 * rho * t (rho: largest distance of a hull
//      vertex from their centroid), and every width is at least 2 * r (r: distance from that
//      centroid to the nearest facet plane), so g at angle t from a direction is at least g
//      there / (1 + rho * t / r)^3. From the arc's two ends it also excludes whole arcs
//      before any evaluation (arcs are visited by their ends' values, best first).
// The facets and arcs are shared by two threads over fixed halves; each prunes only with the
// facets' best box and its own finds, so the result does not depend on timing.
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
//   fields, see volumes/oriented_box.h). hull: the convex hull of the points or of an image of
//   them under translation and positive uniform scaling (only directions are taken from it,
//   as from a hull built on normalised points). A hull that leaves points out (tolerances)
//   only changes which directions are tried.
// - All arithmetic in double; deterministic: the same input gives the same box bit for bit.
// - Exactness: the search has no work budget and is complete at every hull size: with a hull
//   graph that is the convex hull of the points (as the exact hull's faces give),
//   report->optimalityGap bounds how far the box found on the hull can be above the true
//   minimum, relative (at most options.gap, 0 when every piece's bound reached the best box),
//   beyond the rounding of double arithmetic (about 1e-14 relative) and of the outward float
//   rounding of the result (about 1e-7). Cost: one evaluation per facet and a few per arc
//   (O(outline) each, about sqrt(vertices) on round hulls); memory linear in the hull
//   (vertices, loops, adjacency and arcs: about 400 bytes per hull vertex).
// - A hull graph without a facet of non-zero area (flat, linear or single-point input) falls
//   back to the covariance frame and the minimum rectangle in its principal plane.
// - The box is in the canonical frame (volumes/box_frame.h).
#pragma once

#include <cmath>
#include <cstddef>
#include <span>

#include "geometry/vector3.h"
#include "hull/convex_hull.h"
#include "volumes/hull_graph.h"
#include "volumes/oriented_box.h"

struct MinimumBoxOptions {
  // Relative gap at which a piece of an arc counts as decided: its lower bound is at least
  // (1 - gap) times the best box found.
  double gap = 1e-7;
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
  std::size_t arcsExcluded = 0;  // shown by the bound to hold no smaller box
  std::size_t pieces = 0;        // pieces of arcs evaluated and bounded
  std::size_t evaluations = 0;   // directions evaluated in all
  // Every facet and every arc searched or excluded. False also where double arithmetic could
  // not bound a piece (a hull flat to within its rounding, its sizes some thirty orders
  // apart); the gap then states what was proved.
  bool complete = false;
  double optimalityGap = INFINITY;    // relative; proven bound above the true minimum
  bool walkedOutlines = false;        // outlines were walked on the hull graph
  std::size_t projectedOutlines = 0;  // walks that failed and projected every vertex instead
};

OrientedBox minimumVolumeBox(std::span<const Vector3> points, const HullGraph& hull,
                             std::span<const BoxAxes> extraCandidates = {},
                             const MinimumBoxOptions& options = {},
                             MinimumBoxReport* report = nullptr);

// The same on the project's hull, with no extra candidates (the box fit lives above this
// layer: bounds/bounding_volumes.h passes its facet-moment box in).
OrientedBox minimumVolumeBox(std::span<const Vector3> points, const ConvexHull& hull,
                             MinimumBoxReport* report = nullptr);
