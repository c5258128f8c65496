// The direction search shared by the minimum-volume capsule and cylinder: a best-first branch
// and bound over cells of axis directions, with the planar pieces both need (the projection
// of the hull onto the plane normal to an axis and its smallest enclosing circle, Welzl's
// construction in its iterative form) and bounds of a fixed vector's projections over a cell.
//
// Directions are taken up to sign, so three faces of the cube [-1, 1]^3 (x = 1, y = 1, z = 1)
// cover them all: a cell is a square [a0, a1] x [b0, b1] on one face, seen from the origin. It
// is geodesically convex, so every direction in it lies within the angle `radius` of its
// centre, the largest angle to one of its corners. Every bound below holds for the whole cap
// of that radius around the centre, so it holds for the cell.
//
// Cap bounds (why they are sharp): for a fixed vector d at the angle alpha to the centre u0,
// the angle of d to any u in the cap lies in [alpha - theta, alpha + theta] (clipped to
// [0, pi]), so d.u lies in |d| [cos(alpha + theta), cos(alpha - theta)] and the length of d's
// projection onto the plane normal to u in |d| sin of that range. Both are exact for the cap;
// where d is normal or parallel to u0 they move only to second order in theta, which is what
// lets a round hull's flat objective be closed without cells of the tolerance's size.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "geometry/vector3d.h"

// What a search proved: optimalityGap bounds (value found) / (true minimum) - 1 from above,
// cells counts the directions evaluated, and complete says the gap reached the tolerance
// (1e-4) rather than the cell budget or the refinement floor running out first.
struct AxisSearchReport {
  double optimalityGap = 0.0;
  std::size_t cells = 0;
  bool complete = true;
};

namespace axis_search {

inline constexpr double PI = 3.14159265358979323846;
inline constexpr double TOLERANCE = 1e-4;

// The range of the angle between a fixed vector and the directions of a cap.
struct AngleRange {
  double lo = 0.0;
  double hi = 0.0;
};
AngleRange angleRange(const Vector3d& d, const Vector3d& u0, double theta);

// Bounds over the cap (u0, theta) of d.u and of |d - (d.u) u| (d's projected length).
double dotLower(const Vector3d& d, const Vector3d& u0, double theta);
double dotUpper(const Vector3d& d, const Vector3d& u0, double theta);
double projectedLengthLower(const Vector3d& d, const Vector3d& u0, double theta);
double projectedLengthUpper(const Vector3d& d, const Vector3d& u0, double theta);

// An orthonormal frame (e1, e2) of the plane normal to the unit vector u.
struct PlaneFrame {
  Vector3d e1;
  Vector3d e2;
};
PlaneFrame planeFrame(const Vector3d& u);

// The hull vertices (relative to a reference centre) seen along u: planar coordinates (x, y)
// in the frame of planeFrame(u) and the height t = p.u, plus the indices of the lowest and
// the highest point. The order is the caller's (see Circle).
struct Projection {
  std::vector<double> x, y, t;
  std::size_t lowest = 0;
  std::size_t highest = 0;
};
void project(std::span<const Vector3d> points, const Vector3d& u, Projection& out);
// The same for the points at `indices` only, in that order: entry k is points[indices[k]].
void project(std::span<const Vector3d> points, std::span<const std::int32_t> indices,
             const Vector3d& u, Projection& out);

// The smallest circle around the projected points: Welzl's construction, iterative, in the
// points' order (the callers shuffle them once, deterministically, so the expected time is
// linear). radius is the largest distance from the centre measured afterwards, so the circle
// holds every point whatever the rounding; support holds the 1 to 3 points it rests on.
struct Circle {
  double cx = 0.0;
  double cy = 0.0;
  double radius = 0.0;
  std::array<std::int32_t, 3> support{};
  int supportSize = 0;
};
Circle smallestCircle(const Projection& projection);
// The same construction with the points at the positions `first` taken first: the support of
// a neighbouring direction's circle, which leaves the construction few restarts. The circle
// may differ from the plain order's by rounding only.
Circle smallestCircle(const Projection& projection, std::span<const std::int32_t> first);

// A lower bound, over the cap (u0, theta), of the smallest circle around the projections of
// the given 1 to 3 points (any subset bounds the whole set's circle from below): half the
// longest projected side, or the circumradius where the triangle is acute over the whole cap.
double circleRadiusLower(std::span<const Vector3d> support, const Vector3d& u0, double theta);

// A cell's evaluation: the volume of the body found at its centre (an upper bound of the
// minimum), a lower bound of the minimum over the whole cell, and the same bound for the
// centre direction alone (theta = 0): where even that is below the target, splitting the cell
// cannot prove more, so it is kept as a leaf and its bound enters the reported gap.
struct CellEstimate {
  double value = 0.0;
  double lowerBound = 0.0;
  double centreBound = 0.0;
};
// `parent` is the candidate list (see NormalCones) of the cell this one was split from, null
// for the first cells (every vertex); the estimator may leave its own list in `own`, which the
// search hands to the cell's children. Cells are estimated in batches of four (the first 48
// four at a time, then the four children of each split), the first two by worker 0 and the
// last two by worker 1 (volumes/worker_pair.h): the calls of different workers may overlap,
// so each call writes only state of its own `worker`, while one worker's calls come in order.
// After every batch `settle` (if any) is called alone, to merge what the workers found, in
// worker order, into what both see in the next batch. The result is therefore the same
// whether the workers run on two threads or one.
using Candidates = std::vector<std::int32_t>;
using Estimator = std::function<CellEstimate(std::size_t worker, const Vector3d& u, double theta,
                                             const Candidates* parent, Candidates& own)>;

struct SearchResult {
  Vector3d direction{0.0, 0.0, 1.0};
  double value = 0.0;
  AxisSearchReport report;
};

// Best first over cells, smallest lower bound first; a cell is dropped once its bound reaches
// value / (1 + TOLERANCE). Stops when every cell is dropped (complete), or after maxCells
// evaluations, and reports value / (smallest bound left) - 1 as the gap. `threaded` runs the
// two workers on two threads (worth it where a cell costs far more than handing it over).
SearchResult searchDirections(const Estimator& estimate, const std::function<void()>& settle,
                              std::size_t maxCells, bool threaded);

// The input prepared for a search: hull vertices relative to the centre of their box, in a
// fixed pseudo-random order, and their largest distance from that centre.
struct CentredPoints {
  Vector3d centre;
  std::vector<Vector3d> points;
  std::vector<std::int32_t> order;  // points[k] is the input's vertex order[k], moved
  double extent = 0.0;              // max |p - centre|
};
CentredPoints centredShuffled(std::span<const Vector3> hullVertices);

// What the hull's vertices span, to rounding (1e-13 of their extent): a point, a segment (axis
// along it), a flat polygon (axis its normal) or a solid. The degenerate shapes have a known
// best axis, so they skip the search, whose bounds would vanish there.
struct FlatShape {
  enum Kind { Point, Segment, Flat, Solid } kind = Point;
  Vector3d axis{0.0, 0.0, 1.0};
};
FlatShape flatShape(const CentredPoints& hull);

// Which vertices a cap of axis directions can need. The projection along u is the convex
// polygon of the vertices on the silhouette, those whose cone of outward normals N(p) holds a
// direction normal to u, so its smallest circle is that of the silhouette vertices alone; the
// highest and lowest vertex along u are those whose cone holds u or -u. Each cone is bounded
// by a cap (axis m_p, angular radius beta_p, from the exact hull's triangles with room for
// the rounding of their normals), and for the directions within theta of u0 the angle of m_p
// to u lies within theta of its angle to u0. So with c = m_p.u0, p can be on a silhouette of
// the cap only if |c| <= sin(beta_p + theta), and an extreme only if |c| >= cos(beta_p +
// theta). A vertex that fails both cannot matter anywhere in the cap, nor in a smaller cap
// inside it, so the lists shrink from a cell to its children.
struct NormalCones {
  struct Cone {
    double x, y, z;        // the axis m_p
    double cosSpread = 0;  // of beta_p: <= 0 keeps p always, above 1 never (no corner)
    double sinSpread = 1;
  };
  std::vector<Cone> cones;
};
NormalCones normalCones(std::span<const Vector3> hullVertices, const CentredPoints& hull);
// The vertices of `from` (null: every vertex) the cap (u0, theta) can need: the silhouette
// ones, and the extreme ones too when `extremes` is set. Ascending when `from` is.
void capCandidates(const NormalCones& cones, const Candidates* from, std::size_t count,
                   const Vector3d& u0, double theta, bool extremes, Candidates& out);

// The positions in the ascending list `within` of the vertices in `support` that it holds (for
// smallestCircle's `first`: the last circle's support, seen in the next list).
void positionsIn(const Candidates& within, std::span<const std::int32_t> support,
                 std::vector<std::int32_t>& out);

}  // namespace axis_search
