// Every bounding volume of an arbitrary point set, at any scale, in the caller's units.
//
// The hull is the exact convex hull of the points as they are (hull/exact_hull.h), and the
// minimal sphere is computed in double on its extreme points: neither needs normalisation.
// The box fit and the flat outline use an absolute tolerance (HULL_EPSILON) made for
// coordinates of roughly a hundred units, so computeBoundingVolumes moves the points into
// that range for them (normalisationFor: a translation by the centre of the axis-aligned
// box, then a scale by a power of two that puts the largest |coordinate| in [64, 128)); they
// read the exact hull's faces placed at the moved points (hull/exact_hull_facets.h), and
// their results are mapped back. The start-up path of the demo does not come through here.
//
// Contract (stated once, here):
// - Input: any number of points. No points gives the error "no points"; a NaN or infinite
//   coordinate gives "point N has a non-finite coordinate", N counted from 1 (span index + 1,
//   as the model loader counts the points of a file). Finite points so far apart that a
//   returned number would not fit in a float (a radius or half-length past 3.4e38) give "the
//   bounding volumes exceed the float range". On error the volumes are left default.
// - Containment: every volume holds every input point. The final pass measures, in double,
//   every input point against the float centre and axes that are returned, and rounds the
//   half-lengths and radii UP to the next float: evaluated in double as
//   |(p - center) . axes[k]| <= halfLengths[k], |p - center| <= radius and min <= p <= max,
//   it holds exactly. What rounding remains is that of whoever checks: a check in float, or
//   one that reads the box as the corners center +- sum t_k halfLengths[k] axes[k] (the axes
//   are orthonormal only to float rounding, about 1e-7), sees points outside by at most
//   CONTAINMENT_TOLERANCE times the volume's size (the box's half diagonal |halfLengths|, the
//   sphere's radius).
// - Scale: multiplying the input by 2^k (no overflow, no subnormals) multiplies every
//   returned number by exactly 2^k (areas by 4^k, volumes by 8^k); counts and the degeneracy
//   stay. Other scales and translations change the results within the rounding of the input
//   and of the transformation (a shape whose fitted axes are ill-conditioned, as a cube's
//   are, can turn its facet-moment box freely under any such change).
// - Hull summary: the exact hull's extreme points, faces, triangles (2 * vertices - 4 for a
//   solid), surface area and volume, in the caller's units (for a degenerate shape: its
//   corners, 2 for a segment, 1 for a point, no faces or facets, a sheet's area once, volume 0).
// - Facet-moment box: the axes fitted by fitBoxToHull to the exact hull's faces at the moved
//   points, each face of more than three corners fanned from its centre (centredFacetsOf), so
//   the box does not depend on the diagonals the hull split a face along; its centre and
//   half-lengths are taken over ALL input points. A solid too thin for the moved floats to give the
//   fit axes gets the world axes. The corner sphere has the box's centre and radius |halfLengths|,
//   grown where a point lies farther.
// - Minimal sphere, for every shape: the centre of exactMinimalSphere (Welzl's construction
//   in double, bounds/exact_minimal_sphere.h) of the hull's extreme points, and the distance
//   from it to the farthest input point, rounded up; should Ritter's sphere come out smaller
//   (by the centre's rounding to float only), it is reported instead. So it is never larger
//   than Ritter's and within the float rounding of its centre of the true minimal sphere.
// - Degenerate shapes, decided exactly by the hull: SinglePoint when all points are equal,
//   Linear when all lie on one line, Flat when all lie in one plane; a slab of any thickness
//   is a solid. These skip the box fit: the box is the smallest-area rectangle of the sheet's
//   outline (the hull's corners at the moved points, projected on the plane through three of
//   them, dropping corners within HULL_EPSILON of the chord of their neighbours) with its
//   normal as axis 0, or, for a segment or a sheet whose outline keeps fewer than three
//   corners, a box along the longest chord (axis 2), or at the point, with zero or near-zero
//   half-lengths across; all computed in double. No result is ever NaN.
// - Deterministic: equal input gives equal output; nothing here draws from rand().
// - Comparison volumes (ComparisonVolumes), after the final pass: computeComparisonVolumes
//   (volumes/comparison_volumes.h) on the input points, with the exact hull's faces at the
//   input points (none for a degenerate shape) and the facet-moment box's axes as a candidate,
//   so the minimum box is never larger than the facet-moment or the axis-aligned box beyond the
//   outward rounding of the float results (about 1e-7 relative). Its stages follow "final
//   pass": "minimum box", "point covariance box", "dop26", "ritter sphere". These take no
//   draws from rand().
// - Engine volumes (EngineVolumes), last, on the input points and the exact hull, each as its
//   header in volumes/ states: stages "ellipsoid", "kdop 6", "kdop 14", "kdop 18" (the 26-DOP
//   is the comparison one, timed as "dop26"), "reduced hull 32", "reduced hull 64",
//   "reduced hull 255". No draws from rand().
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <span>
#include <string>

#include "bounds/minimal_sphere.h"
#include "geometry/vector3.h"
#include "volumes/capsule.h"
#include "volumes/comparison_volumes.h"
#include "volumes/cylinder.h"
#include "volumes/ellipsoid.h"
#include "volumes/kdop.h"
#include "volumes/reduced_hull.h"

// Largest relative excess of a point over a returned volume that a check in float, or a
// check of the box through its corners, can see (see the contract above).
inline constexpr double CONTAINMENT_TOLERANCE = 1e-6;

enum class Degeneracy { None, Flat, Linear, SinglePoint };  // "degenerate" = != None

// Lower-case name: "none", "flat", "linear", "single point".
const char* degeneracyName(Degeneracy degeneracy);

// The volumes physics and game engines use, each from its module in volumes/ and each
// holding every input point: the minimum-volume capsule and cylinder, the k-DOPs for k = 6, 14, 18
// and 26 (KDOP_SIZES; the 26-DOP is comparison.dop26 again), the minimum-volume ellipsoid and
// reduced hulls of at most 32, 64 and 255 vertices (REDUCED_HULL_SIZES).
inline constexpr std::array<int, 3> REDUCED_HULL_SIZES = {32, 64, 255};
struct EngineVolumes {
  Capsule capsule;  // volumes/capsule.h, with its search's report
  AxisSearchReport capsuleSearch;
  Cylinder cylinder;  // volumes/cylinder.h, with its search's report
  AxisSearchReport cylinderSearch;
  Ellipsoid ellipsoid;
  std::array<Kdop, 4> kdops;
  std::array<ReducedHull, 3> reducedHulls;
};

struct AxisAlignedBox {
  Vector3 min;
  Vector3 max;
  double volume = 0;
};

// The smallest axis-aligned box around points: the component-wise minima and maxima, and the
// product of the three extents, each taken in double. No points give the zero box.
AxisAlignedBox axisAlignedBoxOf(std::span<const Vector3> points);

struct HullSummary {
  std::size_t vertices = 0;  // extreme points
  std::size_t faces = 0;     // polygons of coplanar triangles; 0 for a degenerate shape
  std::size_t facets = 0;    // triangles, 2 * vertices - 4 for a solid; 0 for a degenerate shape
  double area = 0;           // surface area
  double volume = 0;         // enclosed volume
};

// Moves points into the range the absolute tolerances were made for: p' = (p - shift) *
// 2^-exponent, shift = centre of the axis-aligned box, exponent chosen so the largest
// |coordinate| of p' lands in [64, 128). The conversions go through double with one rounding
// to float at the end.
struct Normalisation {
  Vector3 shift;
  int exponent = 0;
  Vector3 toNormalised(const Vector3& p) const;
  Vector3 toModel(const Vector3& p) const;
  float lengthToModel(float length) const;  // times 2^exponent, exact
};

// points finite and non-empty; all points equal give shift = that point, exponent 0.
Normalisation normalisationFor(std::span<const Vector3> points);

struct BoundingVolumes {
  std::size_t points = 0;
  Degeneracy degeneracy = Degeneracy::None;
  Normalisation normalisation;
  HullSummary hull;
  OrientedBox facetMomentBox;  // fitted axes, extents over ALL input points
  AxisAlignedBox axisAlignedBox;
  Sphere cornerSphere;   // through the facet-moment box's corners (plain radius)
  Sphere minimalSphere;  // grown where a final pass finds a point outside (plain radius)
  ComparisonVolumes comparison;
  EngineVolumes engine;
};

// 4/3 pi r^3 in double, the enclosed volume of a sphere with plain radius.
double sphereVolume(const Sphere& sphere);

struct BoundingVolumesResult {
  BoundingVolumes volumes;
  std::string error;  // empty on success: "no points", "point 17 has a non-finite coordinate"
  bool ok() const { return error.empty(); }
};

BoundingVolumesResult computeBoundingVolumes(std::span<const Vector3> points);

// The same, naming each stage as it starts, for progress displays ("normalising", "hull",
// then "box" for a solid or "outline" for a flat shape, "spheres", then "final pass");
// the callback (StageCallback, volumes/comparison_volumes.h) may be empty.
BoundingVolumesResult computeBoundingVolumes(std::span<const Vector3> points,
                                             const StageCallback& onStage);

// What to fit beyond the volumes above and the comparison volumes.
struct FitOptions {
  // The engines' volumes (BoundingVolumes::engine, left default when false). Their direction
  // searches take most of a large model's fit; a caller that does not show them saves it.
  bool engineVolumes = true;
};
BoundingVolumesResult computeBoundingVolumes(std::span<const Vector3> points,
                                             const StageCallback& onStage,
                                             const FitOptions& options);

// The engines' volumes alone, equal to the BoundingVolumes::engine that computeBoundingVolumes
// gives for the same points when `minimumBox` is that fit's comparison.minimumBox (the reduced
// hulls start from its axes, so none is larger than it; without it they start from the hull's
// principal axes): for a caller that fitted without them and wants them later (the viewer,
// when one of their layers is first shown). Builds the exact hull again. Stages "hull",
// "dop26", then those of the engine volumes above. Points computeBoundingVolumes refuses
// (none, or a non-finite coordinate) give the default volumes.
EngineVolumes computeEngineVolumes(std::span<const Vector3> points,
                                   const StageCallback& onStage = StageCallback(),
                                   const OrientedBox* minimumBox = nullptr);
