// The any-scale entry point: validate, build the exact hull of the points as they are,
// normalise a copy by a translation and a power of two for the facet-moment box fit (or the
// plane geometry of outline.h for degenerate shapes), take the minimal sphere of the hull's
// extreme points in double, then measure every input point in double against the results,
// so that every volume holds every point.
#include "bounds/bounding_volumes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <ostream>
#include <vector>

#include "bounds/box_fit.h"
#include "bounds/exact_minimal_sphere.h"
#include "geometry/float_rounding.h"
#include "geometry/vector3d.h"
#include "hull/convex_hull.h"
#include "hull/exact_hull.h"
#include "hull/exact_hull_facets.h"
#include "volumes/comparison_volumes.h"
#include "volumes/outline.h"

namespace {

// Where the shape's fit leaves the final pass: axes and centres in the caller's units.
struct Proposal {
  Vector3 boxAxes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  Vector3 minimalCenter;
};

// The plane geometry of a degenerate shape, from the exact hull, in normalised units: a and
// b the ends of a segment or, with c, three corners of a flat shape's outline.
struct Shape {
  Degeneracy degeneracy = Degeneracy::None;
  Vector3d a, b, c;
};

Degeneracy degeneracyOf(HullDimension dimension) {
  switch (dimension) {
    case HullDimension::Polygon:
      return Degeneracy::Flat;
    case HullDimension::Segment:
      return Degeneracy::Linear;
    case HullDimension::Point:
    case HullDimension::None:
      return Degeneracy::SinglePoint;
    case HullDimension::Solid:
      break;
  }
  return Degeneracy::None;
}

// The degenerate shape's frame from the exact hull's corners: for a sheet the corner
// farthest from the first and then the one farthest from their line, for a segment its ends.
Shape shapeOf(const ExactHull& exact, std::span<const Vector3> normalised) {
  Shape shape;
  shape.degeneracy = degeneracyOf(exact.dimension);
  const auto at = [&normalised](std::int32_t i) {
    return Vector3d(normalised[static_cast<std::size_t>(i)]);
  };
  if (exact.vertices.empty())
    return shape;
  shape.a = at(exact.vertices[0]);
  if (exact.vertices.size() < 2)
    return shape;
  double best = -1;
  for (std::int32_t i : exact.vertices) {
    const double d = dot(at(i) - shape.a, at(i) - shape.a);
    if (d > best) {
      best = d;
      shape.b = at(i);
    }
  }
  best = -1;
  for (std::int32_t i : exact.vertices) {
    const double d = length(cross(at(i) - shape.a, shape.b - shape.a));
    if (d > best) {
      best = d;
      shape.c = at(i);
    }
  }
  return shape;
}

bool finite(const Vector3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

Vector3d toModel(const Normalisation& normalisation, const Vector3d& p) {
  const Vector3d shift(normalisation.shift);
  return {std::ldexp(p.x, normalisation.exponent) + shift.x,
          std::ldexp(p.y, normalisation.exponent) + shift.y,
          std::ldexp(p.z, normalisation.exponent) + shift.z};
}

// Unit vectors p, q with (p, q, u) orthonormal, built from the world axis least along u.
void perpendiculars(const Vector3d& u, Vector3d& p, Vector3d& q) {
  const double ax = std::abs(u.x);
  const double ay = std::abs(u.y);
  const double az = std::abs(u.z);
  const Vector3d world = ax <= ay && ax <= az ? Vector3d(1, 0, 0)
                         : ay <= az           ? Vector3d(0, 1, 0)
                                              : Vector3d(0, 0, 1);
  p = normalized(world - u * dot(world, u));
  q = cross(u, p);
}

// Flat shapes: the outline in the plane through a, b, c; the box is its smallest rectangle
// with the plane's normal as axis 0.
// False, with nothing written, when the outline has fewer than three corners.
bool fitFlat(const Shape& shape, std::span<const Vector3> normalised, Proposal& proposal) {
  const Vector3d u = normalized(shape.b - shape.a);
  const Vector3d n = normalized(cross(shape.b - shape.a, shape.c - shape.a));
  const Vector3d v = cross(n, u);
  std::vector<Point2> projected;
  projected.reserve(normalised.size());
  for (const Vector3& p : normalised) {
    const Vector3d d = Vector3d(p) - shape.a;
    projected.push_back({dot(d, u), dot(d, v)});
  }
  // The hull's own tolerance decides what is a corner.
  const std::vector<Point2> outline = convexOutline(projected, HULL_EPSILON);
  if (outline.size() < 3)
    return false;
  const Rectangle2 rectangle = smallestRectangle(outline);
  const Vector3d along = u * rectangle.direction.x + v * rectangle.direction.y;
  const Vector3d across = cross(n, along);
  const bool longAlong = rectangle.length >= rectangle.width;
  proposal.boxAxes[0] = n.toFloat();
  proposal.boxAxes[1] = (longAlong ? across : along).toFloat();
  proposal.boxAxes[2] = (longAlong ? along : across).toFloat();
  return true;
}

// Linear shapes: the box along the segment (axis 2).
void fitLinear(const Shape& shape, Proposal& proposal) {
  const Vector3d u = normalized(shape.b - shape.a);
  Vector3d p;
  Vector3d q;
  perpendiculars(u, p, q);
  proposal.boxAxes[0] = p.toFloat();
  proposal.boxAxes[1] = q.toFloat();
  proposal.boxAxes[2] = u.toFloat();
}

// The last word on every extent and radius: each input point measured in double against
// the float centres and axes, maxima rounded up to float.
void finalPass(std::span<const Vector3> points, const Proposal& proposal,
               BoundingVolumes& volumes) {
  const Vector3d reference(volumes.normalisation.shift);
  Vector3d axes[3];
  for (int k = 0; k < 3; ++k)
    axes[k] = Vector3d(proposal.boxAxes[k]);

  std::array<double, 3> lo = {INFINITY, INFINITY, INFINITY};
  std::array<double, 3> hi = {-INFINITY, -INFINITY, -INFINITY};
  for (const Vector3& p : points) {
    const Vector3d d = Vector3d(p) - reference;
    for (int k = 0; k < 3; ++k) {
      const double t = dot(d, axes[k]);
      lo[static_cast<std::size_t>(k)] = std::min(lo[static_cast<std::size_t>(k)], t);
      hi[static_cast<std::size_t>(k)] = std::max(hi[static_cast<std::size_t>(k)], t);
    }
  }
  Vector3d centre = reference;
  for (std::size_t k = 0; k < 3; ++k)
    centre = centre + axes[k] * ((lo[k] + hi[k]) * 0.5);

  OrientedBox& box = volumes.facetMomentBox;
  box.center = centre.toFloat();
  const Vector3d boxCentre(box.center);
  const Vector3d minimalCentre(proposal.minimalCenter);
  std::array<double, 3> half = {0, 0, 0};
  double toBoxCentre = 0;
  double toMinimalCentre = 0;
  for (const Vector3& p : points) {
    const Vector3d d = Vector3d(p) - boxCentre;
    for (std::size_t k = 0; k < 3; ++k)
      half[k] = std::max(half[k], std::abs(dot(d, axes[k])));
    toBoxCentre = std::max(toBoxCentre, dot(d, d));
    const Vector3d e = Vector3d(p) - minimalCentre;
    toMinimalCentre = std::max(toMinimalCentre, dot(e, e));
  }
  for (int k = 0; k < 3; ++k) {
    box.axes[k] = proposal.boxAxes[k];
    box.halfLengths[k] = floatNotBelow(half[static_cast<std::size_t>(k)]);
  }
  const Vector3d h(box.halfLengths);
  box.volume = 8.0 * h.x * h.y * h.z;

  volumes.axisAlignedBox = axisAlignedBoxOf(points);

  volumes.cornerSphere.center = box.center;
  volumes.cornerSphere.radius =
      std::max(floatNotBelow(length(h)), floatNotBelow(std::sqrt(toBoxCentre)));
  volumes.minimalSphere.center = proposal.minimalCenter;
  volumes.minimalSphere.radius = floatNotBelow(std::sqrt(toMinimalCentre));
}

}  // namespace

const char* degeneracyName(Degeneracy degeneracy) {
  switch (degeneracy) {
    case Degeneracy::None:
      return "none";
    case Degeneracy::Flat:
      return "flat";
    case Degeneracy::Linear:
      return "linear";
    case Degeneracy::SinglePoint:
      return "single point";
  }
  return "none";
}

double sphereVolume(const Sphere& sphere) {
  const double r = sphere.radius;
  return 4.0 / 3.0 * std::numbers::pi * r * r * r;
}

Vector3 Normalisation::toNormalised(const Vector3& p) const {
  Vector3 q;
  for (int k = 0; k < 3; ++k) {
    const double d = static_cast<double>(p[k]) - static_cast<double>(shift[k]);
    q[k] = static_cast<float>(std::ldexp(d, -exponent));
  }
  return q;
}

Vector3 Normalisation::toModel(const Vector3& p) const {
  return ::toModel(*this, Vector3d(p)).toFloat();
}

float Normalisation::lengthToModel(float length) const {
  return std::ldexp(length, exponent);
}

AxisAlignedBox axisAlignedBoxOf(std::span<const Vector3> points) {
  AxisAlignedBox box;
  if (points.empty())
    return box;
  box.min = points[0];
  box.max = points[0];
  for (const Vector3& p : points) {
    for (int k = 0; k < 3; ++k) {
      box.min[k] = std::min(box.min[k], p[k]);
      box.max[k] = std::max(box.max[k], p[k]);
    }
  }
  const Vector3d extent = Vector3d(box.max) - Vector3d(box.min);
  box.volume = extent.x * extent.y * extent.z;
  return box;
}

Normalisation normalisationFor(std::span<const Vector3> points) {
  Normalisation normalisation;
  if (points.empty())
    return normalisation;
  const AxisAlignedBox bounds = axisAlignedBoxOf(points);
  const Vector3& lo = bounds.min;
  const Vector3& hi = bounds.max;
  for (int k = 0; k < 3; ++k)
    normalisation.shift[k] = roundedToFloat((static_cast<double>(lo[k]) + hi[k]) * 0.5);
  double largest = 0;
  for (int k = 0; k < 3; ++k) {
    const double shift = normalisation.shift[k];
    largest = std::max({largest, std::abs(lo[k] - shift), std::abs(hi[k] - shift)});
  }
  if (largest == 0)
    return normalisation;
  int binaryExponent = 0;
  std::frexp(largest, &binaryExponent);  // largest = f * 2^binaryExponent, f in [0.5, 1)
  normalisation.exponent = binaryExponent - 7;
  // Rounding to float may carry the largest coordinate up to 128 itself.
  if (roundedToFloat(std::ldexp(largest, -normalisation.exponent)) >= 128.0f)
    ++normalisation.exponent;
  return normalisation;
}

namespace {

// Finite points near the ends of the float range (a spread past 3.4e38) give volumes whose
// size no float can hold: a radius or half-length rounded up to infinity.
bool representable(const BoundingVolumes& v) {
  const OrientedBox& box = v.facetMomentBox;
  bool ok = finite(box.center) && finite(box.halfLengths) && std::isfinite(box.volume) &&
            finite(v.axisAlignedBox.min) && finite(v.axisAlignedBox.max) &&
            std::isfinite(v.axisAlignedBox.volume) && std::isfinite(v.hull.area) &&
            std::isfinite(v.hull.volume);
  for (const Sphere& s : {v.cornerSphere, v.minimalSphere, v.comparison.ritterSphere})
    ok = ok && finite(s.center) && std::isfinite(s.radius);
  for (const OrientedBox& b : {box, v.comparison.minimumBox, v.comparison.pointCovarianceBox}) {
    ok = ok && finite(b.center) && finite(b.halfLengths) && std::isfinite(b.volume);
    for (const Vector3& axis : b.axes)
      ok = ok && finite(axis);
  }
  ok = ok && std::isfinite(v.engine.ellipsoid.volume);
  for (const Kdop& dop : v.engine.kdops)
    ok = ok && std::isfinite(dop.volume);
  for (const ReducedHull& reduced : v.engine.reducedHulls)
    ok = ok && std::isfinite(reduced.volume);
  return ok && std::isfinite(v.comparison.dop26.volume);
}

// The engines' volumes, on the points as they are and the exact hull's vertices; the reduced
// hulls start from the minimum box's axes when it is given.
template <class Stage>
EngineVolumes engineVolumesOf(std::span<const Vector3> points, const ExactHull& exact,
                              const Kdop& dop26, const OrientedBox* minimumBox,
                              const Stage& stage) {
  EngineVolumes engine;
  std::vector<Vector3> corners;
  corners.reserve(exact.vertices.size());
  for (std::int32_t i : exact.vertices)
    corners.push_back(points[static_cast<std::size_t>(i)]);
  stage("capsule");
  engine.capsule = minimumCapsule(points, corners, &engine.capsuleSearch);
  stage("cylinder");
  engine.cylinder = minimumCylinder(points, corners, &engine.cylinderSearch);
  stage("ellipsoid");
  engine.ellipsoid = minimumVolumeEllipsoid(points, exact);
  for (std::size_t i = 0; i + 1 < KDOP_SIZES.size(); ++i) {
    const std::string name = "kdop " + std::to_string(KDOP_SIZES[i]);
    stage(name.c_str());
    engine.kdops[i] = computeKdop(points, KDOP_SIZES[i]);
  }
  engine.kdops.back() = dop26;
  const BoxAxes start = minimumBox ? boxAxesOf(*minimumBox) : BoxAxes{};
  for (std::size_t i = 0; i < REDUCED_HULL_SIZES.size(); ++i) {
    const std::string name = "reduced hull " + std::to_string(REDUCED_HULL_SIZES[i]);
    stage(name.c_str());
    engine.reducedHulls[i] =
        reducedHull(points, exact, REDUCED_HULL_SIZES[i], minimumBox ? &start : nullptr);
  }
  return engine;
}

}  // namespace

BoundingVolumesResult computeBoundingVolumes(std::span<const Vector3> points) {
  return computeBoundingVolumes(points, StageCallback());
}

BoundingVolumesResult computeBoundingVolumes(std::span<const Vector3> points,
                                             const StageCallback& onStage) {
  return computeBoundingVolumes(points, onStage, FitOptions());
}

BoundingVolumesResult computeBoundingVolumes(std::span<const Vector3> points,
                                             const StageCallback& onStage,
                                             const FitOptions& options) {
  const auto stage = [&onStage](const char* name) {
    if (onStage)
      onStage(name);
  };
  BoundingVolumesResult result;
  if (points.empty()) {
    result.error = "no points";
    return result;
  }
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (!finite(points[i])) {
      result.error = "point " + std::to_string(i + 1) + " has a non-finite coordinate";
      return result;
    }
  }

  stage("normalising");
  BoundingVolumes& volumes = result.volumes;
  volumes.points = points.size();
  volumes.normalisation = normalisationFor(points);
  const Normalisation& normalisation = volumes.normalisation;
  std::vector<Vector3> normalised;
  normalised.reserve(points.size());
  for (const Vector3& p : points)
    normalised.push_back(normalisation.toNormalised(p));

  // The hull of the points as they are, exactly; the stages with absolute tolerances (the
  // box fit, the sphere scan, the flat outline) read its faces at the normalised points.
  stage("hull");
  const ExactHull exact = buildExactHull(points);
  volumes.hull.vertices = exact.vertices.size();
  volumes.hull.faces = exact.dimension == HullDimension::Solid ? exact.faces.size() : 0;
  volumes.hull.facets = exact.dimension == HullDimension::Solid ? exact.triangles.size() : 0;
  volumes.hull.area = exact.area;
  volumes.hull.volume = exact.volume;
  Shape shape = shapeOf(exact, normalised);
  Proposal proposal;
  // The minimum box's hull graph: the faces at the input points themselves. Only directions
  // are taken from it, and placed at the normalised floats, small faces of a fine model lose
  // their normals to the rounding (arcs of 160 degrees appear between neighbours, and the
  // search of a 2,737-vertex model takes a minute instead of half a second).
  ConvexHull hull;
  if (shape.degeneracy == Degeneracy::None) {
    hull = facetsOf(exact, points);
    stage("box");
    OBB fitted;
    std::ostream discard(nullptr);
    fitBoxToHull(centredFacetsOf(exact, normalised), fitted, discard);
    // A solid too thin for the normalised floats may leave the fit without axes; the world
    // axes then serve, and the final pass still measures every point.
    if (finite(fitted.axes[0]) && finite(fitted.axes[1]) && finite(fitted.axes[2])) {
      for (int k = 0; k < 3; ++k)
        proposal.boxAxes[k] = fitted.axes[k];
    }
  }
  switch (shape.degeneracy) {
    case Degeneracy::Flat:
      stage("outline");
      if (fitFlat(shape, normalised, proposal))
        break;
      // A sheet too thin for the outline's tolerance is measured along its longest chord.
      [[fallthrough]];
    case Degeneracy::Linear:
      fitLinear(shape, proposal);
      break;
    case Degeneracy::SinglePoint:
      break;
    case Degeneracy::None:
      break;
  }
  volumes.degeneracy =
      exact.dimension == HullDimension::Solid ? Degeneracy::None : degeneracyOf(exact.dimension);

  // The minimal sphere: Welzl's construction in double on the hull's extreme points, at the
  // input's own coordinates; the final pass measures its radius over every point.
  stage("spheres");
  std::vector<Vector3> extremePoints;
  extremePoints.reserve(exact.vertices.size());
  for (std::int32_t i : exact.vertices)
    extremePoints.push_back(points[static_cast<std::size_t>(i)]);
  proposal.minimalCenter = exactMinimalSphere(extremePoints).center;

  stage("final pass");
  finalPass(points, proposal, volumes);
  const BoxAxes facetMomentAxes = boxAxesOf(volumes.facetMomentBox);
  volumes.comparison = computeComparisonVolumes(
      points, hull, std::span<const BoxAxes>(&facetMomentAxes, 1), onStage);
  // Ritter's sphere holds every point too. Only the rounding of the minimal sphere's centre
  // to float can leave it the smaller, and then it is the smaller sphere that holds them.
  if (volumes.comparison.ritterSphere.radius < volumes.minimalSphere.radius)
    volumes.minimalSphere = volumes.comparison.ritterSphere;

  if (options.engineVolumes)
    volumes.engine = engineVolumesOf(points, exact, volumes.comparison.dop26,
                                     &volumes.comparison.minimumBox, stage);
  if (!representable(volumes)) {
    result = BoundingVolumesResult();
    result.error = "the bounding volumes exceed the float range";
  }
  return result;
}

EngineVolumes computeEngineVolumes(std::span<const Vector3> points, const StageCallback& onStage,
                                   const OrientedBox* minimumBox) {
  if (points.empty() ||
      !std::all_of(points.begin(), points.end(), [](const Vector3& p) { return finite(p); }))
    return EngineVolumes();
  const auto stage = [&onStage](const char* name) {
    if (onStage)
      onStage(name);
  };
  stage("hull");
  const ExactHull exact = buildExactHull(points);
  stage("dop26");
  return engineVolumesOf(points, exact, computeKdop(points, 26), minimumBox, stage);
}
