// The minimum-volume cylinder: exact per direction, branch and bound over directions (see
// cylinder.h for the contract and the bound).
#include "volumes/cylinder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "geometry/float_rounding.h"

using namespace axis_search;

namespace {

constexpr std::size_t MAX_CELLS = 100000;
// Hulls from which the search's two workers run on two threads: a cell of a smaller one costs
// little more than handing it over.
constexpr std::size_t THREADED = 1000;

// Radius and half length over all points for a float centre and axis, rounded outward.
Cylinder measured(std::span<const Vector3> points, const Vector3d& centre, const Vector3d& axis) {
  Cylinder c;
  c.center = centre.toFloat();
  c.axis = normalized(axis).toFloat();
  const Vector3d a = normalized(Vector3d(c.axis));
  const Vector3d o(c.center);
  double h = 0.0, r = 0.0;
  for (const Vector3& p : points) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
      continue;
    const Vector3d v = Vector3d(p) - o;
    h = std::max(h, std::fabs(dot(v, a)));
    r = std::max(r, length(cross(v, a)));  // no cancellation near the axis
  }
  c.halfLength = floatAbove(h);
  c.radius = floatAbove(r);
  const double rf = c.radius, hf = c.halfLength;
  c.volume = 2.0 * PI * rf * rf * hf;
  return c;
}

// The exact cylinder of direction u over the centred hull, as a centre in the input's frame.
Vector3d cylinderCentre(const CentredPoints& hull, const Vector3d& u, Projection& proj) {
  project(hull.points, u, proj);
  const Circle circle = smallestCircle(proj);
  const PlaneFrame f = planeFrame(u);
  const double tm = 0.5 * (proj.t[proj.lowest] + proj.t[proj.highest]);
  return hull.centre + f.e1 * circle.cx + f.e2 * circle.cy + u * tm;
}

}  // namespace

Cylinder cylinderAlong(std::span<const Vector3> points, const Vector3d& axis) {
  const CentredPoints all = centredShuffled(points);
  if (all.points.empty())
    return {};
  const Vector3d u = normalized(axis);
  Projection proj;
  return measured(points, cylinderCentre(all, u, proj), u);
}

Cylinder minimumCylinder(std::span<const Vector3> points, std::span<const Vector3> hullVertices,
                         AxisSearchReport* report) {
  if (report)
    *report = {};
  const CentredPoints hull = centredShuffled(hullVertices);
  if (hull.points.empty())
    return {};
  const FlatShape shape = flatShape(hull);
  if (shape.kind != FlatShape::Solid) {
    Projection proj;
    return measured(points, cylinderCentre(hull, shape.axis, proj), shape.axis);
  }

  const double rho = hull.extent;
  // Each cell works on the vertices its cap can need (axis_search.h), which give the same
  // circle and extent as all of them.
  const NormalCones cones = normalCones(hullVertices, hull);
  // Each worker's projection and its last cell's circle support, taken first by its next
  // cell (siblings come one after another).
  struct Scratch {
    Projection proj;
    Candidates lastSupport, first;
  };
  std::array<Scratch, 2> scratch;
  const Estimator estimate = [&](std::size_t worker, const Vector3d& u, double theta,
                                 const Candidates* parent, Candidates& own) {
    auto& [proj, lastSupport, first] = scratch[worker];
    capCandidates(cones, parent, hull.points.size(), u, theta, true, own);
    if (own.empty())
      for (std::size_t k = 0; k < hull.points.size(); ++k)
        own.push_back(static_cast<std::int32_t>(k));
    const auto at = [&](std::size_t k) -> const Vector3d& {
      return hull.points[static_cast<std::size_t>(own[k])];
    };
    project(hull.points, own, u, proj);
    positionsIn(own, lastSupport, first);
    const Circle circle = smallestCircle(proj, first);
    lastSupport.clear();
    for (int k = 0; k < circle.supportSize; ++k)
      lastSupport.push_back(own[static_cast<std::size_t>(circle.support[k])]);
    Vector3d support[3];
    for (int k = 0; k < circle.supportSize; ++k)
      support[k] = at(static_cast<std::size_t>(circle.support[k]));
    const std::span<const Vector3d> s(support, static_cast<std::size_t>(circle.supportSize));
    const Vector3d d = at(proj.highest) - at(proj.lowest);
    const double e0 = proj.t[proj.highest] - proj.t[proj.lowest];
    const double r0 = circleRadiusLower(s, u, 0.0);
    const auto bound = [&](double th) {
      const double r = std::max(circleRadiusLower(s, u, th), r0 - th * rho);
      const double e = std::max(dotLower(d, u, th), e0 - 2.0 * th * rho);
      return r > 0.0 && e > 0.0 ? PI * r * r * e * (1.0 - 1e-12) : 0.0;
    };
    return CellEstimate{PI * circle.radius * circle.radius * e0, bound(theta), bound(0.0)};
  };
  const SearchResult best =
      searchDirections(estimate, {}, MAX_CELLS, hull.points.size() >= THREADED);
  if (report)
    *report = best.report;
  Projection proj;
  return measured(points, cylinderCentre(hull, best.direction, proj), best.direction);
}
