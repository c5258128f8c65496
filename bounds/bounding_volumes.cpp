// The any-scale entry point: validate, normalise by a translation and a power of two, run
// the hull, the facet-moment box fit and the minimal sphere unchanged on the normalised
// points (or the plane geometry of outline.h for degenerate shapes), then measure every input
// point in double against the results mapped back, so that every volume holds every point.
#include "bounds/bounding_volumes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <ostream>
#include <vector>

#include "bounds/box_fit.h"
#include "bounds/comparison_volumes.h"
#include "bounds/hull_volume.h"
#include "bounds/outline.h"
#include "geometry/float_rounding.h"
#include "geometry/vector3d.h"
#include "hull/convex_hull.h"
#include "hull/point_set.h"

namespace {

// Where the shape's fit leaves the final pass: axes and centres in the caller's units.
struct Proposal {
  Vector3 boxAxes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  Vector3 minimalCenter;
};

// Extreme points of the normalised cloud and the shape they span.
struct Shape {
  Degeneracy degeneracy = Degeneracy::None;
  Vector3d a, b, c;  // a farthest from the origin, b farthest from a, c farthest from line ab
};

template <class Distance>
std::size_t farthest(std::span<const Vector3> points, Distance distance, double& value) {
  std::size_t best = 0;
  value = -1;
  for (std::size_t i = 0; i < points.size(); ++i) {
    const double d = distance(Vector3d(points[i]));
    if (d > value) {
      value = d;
      best = i;
    }
  }
  return best;
}

Shape classify(std::span<const Vector3> normalised) {
  Shape shape;
  const double tolerance = HULL_EPSILON;
  double d = 0;
  shape.a = Vector3d(normalised[farthest(
      normalised, [](const Vector3d& p) { return dot(p, p); }, d)]);
  shape.b = Vector3d(normalised[farthest(
      normalised, [&](const Vector3d& p) { return dot(p - shape.a, p - shape.a); }, d)]);
  if (d == 0) {
    shape.degeneracy = Degeneracy::SinglePoint;
    return shape;
  }
  const Vector3d u = normalized(shape.b - shape.a);
  shape.c = Vector3d(normalised[farthest(
      normalised, [&](const Vector3d& p) { return length(cross(p - shape.a, u)); }, d)]);
  if (d <= tolerance) {
    shape.degeneracy = Degeneracy::Linear;
    return shape;
  }
  const Vector3d n = normalized(cross(shape.b - shape.a, shape.c - shape.a));
  farthest(
      normalised, [&](const Vector3d& p) { return std::abs(dot(p - shape.a, n)); }, d);
  if (d <= tolerance)
    shape.degeneracy = Degeneracy::Flat;
  return shape;
}

bool finite(const Vector3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// Summary of a hull in normalised units; false when the hull is not a proper solid.
bool summariseHull(ConvexHull& hull, HullSummary& summary) {
  if (hull.facets.size() < 4)
    return false;
  PointSet vertices;
  double area = 0;
  for (Facet& facet : hull.facets) {
    if (facet.vertices.size() < 3)
      return false;
    const Plane& plane = facet.getPlane();
    if (!finite(plane.normal) || !std::isfinite(plane.offset))
      return false;
    for (const Vector3& v : facet.vertices)
      vertices.insert(v);
    for (std::size_t t = 0; t + 2 < facet.triangleIndices.size(); t += 3) {
      const Vector3d p0(facet.vertices[static_cast<std::size_t>(facet.triangleIndices[t])]);
      const Vector3d p1(facet.vertices[static_cast<std::size_t>(facet.triangleIndices[t + 1])]);
      const Vector3d p2(facet.vertices[static_cast<std::size_t>(facet.triangleIndices[t + 2])]);
      area += length(cross(p1 - p0, p2 - p0)) * 0.5;
    }
  }
  summary.vertices = vertices.size();
  summary.facets = hull.facets.size();
  summary.area = area;
  // The normalised origin is the centre of the axis-aligned box: near the hull, so the
  // signed tetrahedra cancel little.
  summary.volume = hullVolume(hull, Vector3d());
  return summary.volume > 0;
}

// The hull's facet vertices as fitSphereToHull gathers them, the sphere recomputed with any
// normalised point it leaves out added (a few rounds; the final pass catches the rest).
Sphere minimalSphereOfHull(const ConvexHull& hull, std::span<const Vector3> normalised) {
  std::vector<Vector3> gathered;
  for (const Facet& facet : hull.facets)
    gathered.insert(gathered.end(), facet.vertices.begin(), facet.vertices.end());
  // Each call starts from the same seed: the result depends on the points alone, not on
  // what the process drew before.
  const auto fit = [&gathered] {
    std::srand(SPHERE_GENERATOR_SEED);
    return minimalSphere(gathered.data(), static_cast<int>(gathered.size()));
  };
  Sphere sphere = fit();
  for (int round = 0; round < 4 && std::isfinite(sphere.radius); ++round) {
    const Sphere working{sphere.center, sphere.radius * sphere.radius};
    PointSet added;
    for (const Vector3& p : normalised) {
      if (!encloses(working, p) && added.insert(p))
        gathered.push_back(p);
    }
    if (added.size() == 0)
      break;
    sphere = fit();
  }
  return sphere;
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
// with the plane's normal as axis 0, the minimal sphere's centre that of its smallest circle.
// False, with nothing written, when the outline has fewer than three corners.
bool fitFlat(const Shape& shape, std::span<const Vector3> normalised,
             const Normalisation& normalisation, BoundingVolumes& volumes, Proposal& proposal) {
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
  const Circle2 circle = smallestCircle(outline);
  const Vector3d centre = shape.a + u * circle.center.x + v * circle.center.y;
  proposal.minimalCenter = toModel(normalisation, centre).toFloat();
  volumes.hull.vertices = outline.size();
  volumes.hull.area = std::ldexp(std::abs(outlineArea(outline)), 2 * normalisation.exponent);
  return true;
}

// Linear shapes: the box along the segment (axis 2), the sphere on its two ends.
void fitLinear(const Shape& shape, std::span<const Vector3> normalised,
               const Normalisation& normalisation, BoundingVolumes& volumes, Proposal& proposal) {
  const Vector3d u = normalized(shape.b - shape.a);
  double lo = INFINITY;
  double hi = -INFINITY;
  for (const Vector3& p : normalised) {
    const double t = dot(Vector3d(p) - shape.a, u);
    lo = std::min(lo, t);
    hi = std::max(hi, t);
  }
  Vector3d p;
  Vector3d q;
  perpendiculars(u, p, q);
  proposal.boxAxes[0] = p.toFloat();
  proposal.boxAxes[1] = q.toFloat();
  proposal.boxAxes[2] = u.toFloat();
  proposal.minimalCenter = toModel(normalisation, shape.a + u * ((lo + hi) * 0.5)).toFloat();
  volumes.hull.vertices = 2;
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
  return ok && std::isfinite(v.comparison.dop26.volume);
}

}  // namespace

BoundingVolumesResult computeBoundingVolumes(std::span<const Vector3> points) {
  return computeBoundingVolumes(points, StageCallback());
}

BoundingVolumesResult computeBoundingVolumes(std::span<const Vector3> points,
                                             const StageCallback& onStage) {
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

  Shape shape = classify(normalised);
  Proposal proposal;
  ConvexHull hull;
  if (shape.degeneracy == Degeneracy::None) {
    stage("hull");
    hull.build(normalised);
    HullSummary summary;
    OBB fitted;
    bool solid = summariseHull(hull, summary);
    if (solid) {
      stage("box");
      std::ostream discard(nullptr);
      fitBoxToHull(hull, fitted, discard);
      solid = finite(fitted.axes[0]) && finite(fitted.axes[1]) && finite(fitted.axes[2]);
    }
    if (solid) {
      stage("spheres");
      const Sphere sphere = minimalSphereOfHull(hull, normalised);
      const bool sphereUsable = finite(sphere.center) && std::isfinite(sphere.radius);
      proposal.minimalCenter = sphereUsable ? normalisation.toModel(sphere.center)
                                            : normalisation.toModel(fitted.center);
      for (int k = 0; k < 3; ++k)
        proposal.boxAxes[k] = fitted.axes[k];
      volumes.hull = summary;
      volumes.hull.area = std::ldexp(summary.area, 2 * normalisation.exponent);
      volumes.hull.volume = std::ldexp(summary.volume, 3 * normalisation.exponent);
    } else {
      // The tolerance of the hull cannot tell this shape from a flat one.
      shape.degeneracy = Degeneracy::Flat;
      hull = ConvexHull();
    }
  }
  switch (shape.degeneracy) {
    case Degeneracy::Flat:
      stage("outline");
      if (fitFlat(shape, normalised, normalisation, volumes, proposal))
        break;
      shape.degeneracy = Degeneracy::Linear;  // too thin for an outline of three corners
      [[fallthrough]];
    case Degeneracy::Linear:
      fitLinear(shape, normalised, normalisation, volumes, proposal);
      break;
    case Degeneracy::SinglePoint:
      proposal.minimalCenter = points[0];
      volumes.hull.vertices = 1;
      break;
    case Degeneracy::None:
      break;
  }
  volumes.degeneracy = shape.degeneracy;

  stage("final pass");
  finalPass(points, proposal, volumes);
  const BoxAxes facetMomentAxes = boxAxesOf(volumes.facetMomentBox);
  volumes.comparison = computeComparisonVolumes(
      points, hull, std::span<const BoxAxes>(&facetMomentAxes, 1), onStage);
  if (!representable(volumes)) {
    result = BoundingVolumesResult();
    result.error = "the bounding volumes exceed the float range";
  }
  return result;
}
