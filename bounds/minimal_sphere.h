// Minimal enclosing sphere of a point set: randomised incremental construction with support
// sets of one to four points, all in 32-bit floats except the final square root.
//
// Contract (stated once, here):
// - A "working sphere" is a Sphere whose `radius` field holds the SQUARED radius; only
//   minimalSphere and fitSphereToHull hand back a plain radius.
// - Tolerances are absolute on squared quantities: two points closer than
//   sqrt(SPHERE_EPSILON) count as one, and a triple or quadruple whose Gram determinant is
//   at most SPHERE_EPSILON in magnitude is degenerate (centre origin, squared radius +inf).
//   `encloses` lets a point lie outside by the factor SPHERE_CONTAINMENT_SCALE on the
//   squared radius (about 0.05 % of the radius).
// - Every finite input point lies within that factor of the result, or within the
//   coincidence threshold of one of its support points. The scan alone does not ensure it:
//   with the factor, a merge can qualify a candidate that is smaller than the working
//   sphere, the scan then moves on, and the merged point stays outside (on the program's
//   clouds about one seed in 3,000 beyond the factor, once by 16 % of the radius). So a final
//   pass checks every point as the scan does; only where it finds one outside is the sphere
//   replaced by exactMinimalSphere of all the points (double precision, see
//   exact_minimal_sphere.h), whose squared radius holds every finite point in float. Where
//   the scan left nothing out, the result is the scan's, unchanged.
// - The first call of minimalSphere in the process reseeds the standard generator with
//   srand(367) (before looking at n); every call with n points then makes exactly n - 1
//   rand() draws for its shuffle, so the first call's visiting order depends only on n.
// - Nothing reports errors. Not-a-number input flows through the scan; where the scan then
//   leaves a finite point outside, the final pass replaces its result as above.
#pragma once

#include <cstdint>
#include <span>

#include "geometry/sphere.h"
#include "geometry/vector3.h"
#include "hull/convex_hull.h"

inline constexpr float SPHERE_EPSILON = 0.001f;
// Added in single precision, so the factor is exactly 1.00100005f.
inline constexpr float SPHERE_CONTAINMENT_SCALE = SPHERE_EPSILON + 1.0f;

// The seed the first call of minimalSphere gives srand.
inline constexpr unsigned SPHERE_GENERATOR_SEED = 367;

// True until the first call of minimalSphere, which seeds the generator and clears it.
// Process-wide and unguarded; tests may set it again to get a first call's behaviour.
extern bool sphereSeedPending;

// The points currently on the surface of the working sphere. slots[0 .. count-1] are
// positions in the visiting order (not indices into the caller's array); count is 1 to 4.
struct SupportSet {
  std::int32_t count = 1;
  std::int32_t slots[4] = {0, 0, 0, 0};
};

// The visiting order: one pointer per input point, shuffled; the points are never copied.
using VisitingOrder = std::span<const Vector3* const>;

// Minimal enclosing sphere of n points (plain radius). n < 1 gives centre origin, radius 1.
Sphere minimalSphere(const Vector3* points, int n);
// Gathers every stored vertex of every facet, in list order (a vertex shared by several
// facets is gathered once per facet), and writes minimalSphere of them into sphere.
void fitSphereToHull(const ConvexHull& hull, Sphere& sphere);

// |p - center|^2 <= SPHERE_CONTAINMENT_SCALE * squared radius; false when either is NaN.
bool encloses(const Sphere& working, const Vector3& p);

// Constructions; each returns a working sphere (squared radius).
Sphere sphereAtPoint(const Vector3& p);
Sphere diametralSphere(const Vector3& a, const Vector3& b);
// Smallest sphere through a, b, c (centre in their plane); degenerate when |det| <= epsilon.
Sphere circumsphere3(const Vector3& a, const Vector3& b, const Vector3& c);
// Sphere through a, b, c, d; degenerate when |det| <= epsilon.
Sphere circumsphere4(const Vector3& a, const Vector3& b, const Vector3& c, const Vector3& d);

// Merge the point at position k of the visiting order into a support set of 1, 2, 3 or 4
// points: among the spheres through that point and a subset of the support (fixed order),
// the smallest that encloses the remaining support points. Rewrites the support set in place
// and returns the merged working sphere.
Sphere extendSupport1(int k, VisitingOrder order, SupportSet& support);
Sphere extendSupport2(int k, VisitingOrder order, SupportSet& support);
Sphere extendSupport3(int k, VisitingOrder order, SupportSet& support);
Sphere extendSupport4(int k, VisitingOrder order, SupportSet& support);
