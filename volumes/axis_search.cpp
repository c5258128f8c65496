// The direction search and its planar pieces (see axis_search.h for the contract and for why
// the cap bounds are sharp).
#include "volumes/axis_search.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <queue>

#include "hull/exact_hull.h"
#include "volumes/worker_pair.h"

namespace axis_search {

namespace {

double angleBetween(const Vector3d& a, const Vector3d& b) {
  return std::atan2(length(cross(a, b)), dot(a, b));
}

}  // namespace

AngleRange angleRange(const Vector3d& d, const Vector3d& u0, double theta) {
  const double alpha = angleBetween(d, u0);
  return {std::max(0.0, alpha - theta), std::min(PI, alpha + theta)};
}

namespace {

// d.u0 = |d| cos(alpha) and |d x u0| = |d| sin(alpha), and the cap's cos(theta), sin(theta),
// the last theta's kept: a search asks for one cell's theta many times over. The ends of the
// angle range then follow from the angle-sum identities, without the angle itself.
struct CapAngles {
  double c, s, length, cosTheta, sinTheta;
};
CapAngles capAngles(const Vector3d& d, const Vector3d& u0, double theta) {
  thread_local double lastTheta = 0.0, lastCos = 1.0, lastSin = 0.0;
  if (theta != lastTheta) {
    lastTheta = theta;
    lastCos = std::cos(theta);
    lastSin = std::sin(theta);
  }
  return {dot(d, u0), length(cross(d, u0)), length(d), lastCos, lastSin};
}

}  // namespace

// cos falls on [0, pi], so the range's ends give its extremes: cos(alpha + theta) unless that
// passes pi (c <= -|d| cos(theta)), cos(alpha - theta) unless that passes 0.
double dotLower(const Vector3d& d, const Vector3d& u0, double theta) {
  const CapAngles a = capAngles(d, u0, theta);
  if (a.c <= -a.length * a.cosTheta)
    return -a.length;
  return a.c * a.cosTheta - a.s * a.sinTheta;
}
double dotUpper(const Vector3d& d, const Vector3d& u0, double theta) {
  const CapAngles a = capAngles(d, u0, theta);
  if (a.c >= a.length * a.cosTheta)
    return a.length;
  return a.c * a.cosTheta + a.s * a.sinTheta;
}
// sin rises to pi / 2 and falls after: the smallest is at an end, the smaller of
// sin(alpha -+ theta), s cos(theta) - |c| sin(theta), and 0 where an end passes 0 or pi; the
// largest is 1 where the range holds pi / 2 (|c| <= |d| sin(theta)), else the larger end.
double projectedLengthLower(const Vector3d& d, const Vector3d& u0, double theta) {
  const CapAngles a = capAngles(d, u0, theta);
  return std::max(0.0, a.s * a.cosTheta - std::fabs(a.c) * a.sinTheta);
}
double projectedLengthUpper(const Vector3d& d, const Vector3d& u0, double theta) {
  const CapAngles a = capAngles(d, u0, theta);
  if (std::fabs(a.c) <= a.length * a.sinTheta)
    return a.length;
  return std::min(a.length, a.s * a.cosTheta + std::fabs(a.c) * a.sinTheta);
}

PlaneFrame planeFrame(const Vector3d& u) {
  // Crossing with the axis u leans on least keeps e1 well conditioned.
  const double ax = std::fabs(u.x), ay = std::fabs(u.y), az = std::fabs(u.z);
  const Vector3d axis = (ax <= ay && ax <= az) ? Vector3d{1, 0, 0}
                        : (ay <= az)           ? Vector3d{0, 1, 0}
                                               : Vector3d{0, 0, 1};
  const Vector3d e1 = normalized(cross(u, axis));
  return {e1, cross(u, e1)};
}

namespace {

// Projects point(0) ... point(n - 1); the two overloads below differ only in where they read.
template <class PointAt>
void projectEach(std::size_t n, const PointAt& point, const Vector3d& u, Projection& out) {
  const PlaneFrame f = planeFrame(u);
  out.x.resize(n);
  out.y.resize(n);
  out.t.resize(n);
  out.lowest = out.highest = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const Vector3d& p = point(i);
    out.x[i] = dot(p, f.e1);
    out.y[i] = dot(p, f.e2);
    out.t[i] = dot(p, u);
    if (out.t[i] < out.t[out.lowest])
      out.lowest = i;
    if (out.t[i] > out.t[out.highest])
      out.highest = i;
  }
}

}  // namespace

void project(std::span<const Vector3d> points, const Vector3d& u, Projection& out) {
  projectEach(
      points.size(), [&](std::size_t i) -> const Vector3d& { return points[i]; }, u, out);
}

void project(std::span<const Vector3d> points, std::span<const std::int32_t> indices,
             const Vector3d& u, Projection& out) {
  projectEach(
      indices.size(),
      [&](std::size_t i) -> const Vector3d& {
        return points[static_cast<std::size_t>(indices[i])];
      },
      u, out);
}

namespace {

struct Disc {
  double cx, cy, r2;
};

// Outside by more than the rounding of the distances: the relative slack keeps the
// construction from cycling on points that lie on the circle.
bool outside(const Disc& d, double x, double y) {
  const double dx = x - d.cx, dy = y - d.cy;
  return dx * dx + dy * dy > d.r2 * (1.0 + 1e-12);
}

Disc discOf2(double ax, double ay, double bx, double by) {
  const double cx = 0.5 * (ax + bx), cy = 0.5 * (ay + by);
  return {cx, cy, (ax - cx) * (ax - cx) + (ay - cy) * (ay - cy)};
}

// The circle through three points; nearly collinear ones give the circle on their farthest
// pair instead (in exact arithmetic the construction never asks for a collinear triple).
Disc discOf3(double ax, double ay, double bx, double by, double qx, double qy) {
  const double bxr = bx - ax, byr = by - ay, cxr = qx - ax, cyr = qy - ay;
  const double det = 2.0 * (bxr * cyr - byr * cxr);
  const double b2 = bxr * bxr + byr * byr, c2 = cxr * cxr + cyr * cyr;
  const double scale = b2 + c2 + (bx - qx) * (bx - qx) + (by - qy) * (by - qy);
  if (std::fabs(det) <= 1e-12 * scale) {
    Disc best = discOf2(ax, ay, bx, by);
    for (const Disc& d : {discOf2(ax, ay, qx, qy), discOf2(bx, by, qx, qy)})
      if (d.r2 > best.r2)
        best = d;
    return best;
  }
  const double ux = (cyr * b2 - byr * c2) / det, uy = (bxr * c2 - cxr * b2) / det;
  return {ax + ux, ay + uy, ux * ux + uy * uy};
}

// Welzl's construction, iterative, over the points at `order` in that order; the support as
// positions in `order`.
Disc welzl(const Projection& p, std::span<const std::int32_t> order,
           std::array<std::size_t, 3>& support, int& size) {
  const auto x = [&](std::size_t i) { return p.x[static_cast<std::size_t>(order[i])]; };
  const auto y = [&](std::size_t i) { return p.y[static_cast<std::size_t>(order[i])]; };
  const std::size_t n = order.size();
  Disc d{x(0), y(0), 0.0};
  support = {0, 0, 0};
  size = 1;
  for (std::size_t i = 1; i < n; ++i) {
    if (!outside(d, x(i), y(i)))
      continue;
    d = {x(i), y(i), 0.0};
    support = {i, 0, 0};
    size = 1;
    for (std::size_t j = 0; j < i; ++j) {
      if (!outside(d, x(j), y(j)))
        continue;
      d = discOf2(x(i), y(i), x(j), y(j));
      support = {i, j, 0};
      size = 2;
      for (std::size_t k = 0; k < j; ++k) {
        if (!outside(d, x(k), y(k)))
          continue;
        d = discOf3(x(i), y(i), x(j), y(j), x(k), y(k));
        support = {i, j, k};
        size = 3;
      }
    }
  }
  return d;
}

}  // namespace

Circle smallestCircle(const Projection& p) {
  return smallestCircle(p, {});
}

Circle smallestCircle(const Projection& p, std::span<const std::int32_t> first) {
  const std::size_t n = p.x.size();
  Circle c;
  if (n == 0)
    return c;
  std::vector<std::int32_t> order;
  for (std::int32_t k : first)
    if (k >= 0 && static_cast<std::size_t>(k) < n &&
        std::find(order.begin(), order.end(), k) == order.end())
      order.push_back(k);
  std::array<std::size_t, 3> support{};
  int size = 0;
  Disc d{};
  bool done = false;
  // With a start, the circle of a small set that grows by the farthest point outside it: once
  // none is outside, it is the circle of every point (by the same test as the construction).
  for (int round = 0; !order.empty() && round < 32 && !done; ++round) {
    d = welzl(p, order, support, size);
    std::size_t far = 0;
    double far2 = -1.0;
    for (std::size_t i = 0; i < n; ++i) {
      const double dx = p.x[i] - d.cx, dy = p.y[i] - d.cy;
      const double e2 = dx * dx + dy * dy;
      if (e2 > far2) {
        far2 = e2;
        far = i;
      }
    }
    if (!outside(d, p.x[far], p.y[far]))
      done = true;
    else
      order.push_back(static_cast<std::int32_t>(far));
  }
  if (!done) {  // the plain construction, in the points' own order
    order.resize(n);
    for (std::size_t i = 0; i < n; ++i)
      order[i] = static_cast<std::int32_t>(i);
    d = welzl(p, order, support, size);
  }
  double r2 = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const double dx = p.x[i] - d.cx, dy = p.y[i] - d.cy;
    r2 = std::max(r2, dx * dx + dy * dy);
  }
  c.cx = d.cx;
  c.cy = d.cy;
  c.radius = std::sqrt(r2);
  for (int k = 0; k < 3; ++k)
    c.support[static_cast<std::size_t>(k)] = order[support[static_cast<std::size_t>(k)]];
  c.supportSize = size;
  return c;
}

double circleRadiusLower(std::span<const Vector3d> s, const Vector3d& u0, double theta) {
  if (s.size() < 2)
    return 0.0;
  double best = 0.0;
  std::array<double, 3> side{};  // side[k]: projected length opposite s[k]
  const std::size_t m = s.size();
  for (std::size_t k = 0; k < (m == 2 ? 1 : 3); ++k) {
    const Vector3d d = s[(k + 1) % m] - s[(k + 2) % m];
    side[k] = projectedLengthLower(d, u0, theta);
    best = std::max(best, 0.5 * side[k]);
  }
  if (m != 3)
    return best;
  // Acute at every corner over the whole cap: x.y - (x.u)(y.u) > 0 for the two edges at it.
  for (std::size_t k = 0; k < 3; ++k) {
    const Vector3d x = s[(k + 1) % 3] - s[k];
    const Vector3d y = s[(k + 2) % 3] - s[k];
    const double xl = dotLower(x, u0, theta), xh = dotUpper(x, u0, theta);
    const double yl = dotLower(y, u0, theta), yh = dotUpper(y, u0, theta);
    const double productMax = std::max({xl * yl, xl * yh, xh * yl, xh * yh});
    if (!(dot(x, y) - productMax > 0.0))
      return best;
  }
  // R = abc / (2 |n.u|) with n the triangle's normal; |n.u| is largest where n is nearest u.
  const Vector3d n = cross(s[1] - s[0], s[2] - s[0]);
  const AngleRange r = angleRange(n, u0, theta);
  const double nu = length(n) * std::max(std::fabs(std::cos(r.lo)), std::fabs(std::cos(r.hi)));
  if (nu > 0.0)
    best = std::max(best, side[0] * side[1] * side[2] / (2.0 * nu));
  return best;
}

namespace {

struct Cell {
  int face = 0;
  double a0 = 0, a1 = 0, b0 = 0, b1 = 0;
  Vector3d centre;
  double radius = 0;
  CellEstimate estimate;
  Candidates candidates;
};

Vector3d faceDirection(int face, double a, double b) {
  Vector3d v;
  v[face] = 1.0;
  v[(face + 1) % 3] = a;
  v[(face + 2) % 3] = b;
  return normalized(v);
}

Cell makeCell(int face, double a0, double a1, double b0, double b1) {
  Cell c{face, a0, a1, b0, b1, faceDirection(face, 0.5 * (a0 + a1), 0.5 * (b0 + b1)), 0.0, {}, {}};
  for (double a : {a0, a1})
    for (double b : {b0, b1})
      c.radius = std::max(c.radius, angleBetween(c.centre, faceDirection(face, a, b)));
  // Room for the rounding of the corners and of the angle itself.
  c.radius = c.radius * (1.0 + 1e-9) + 1e-15;
  return c;
}

struct ByBound {
  bool operator()(const Cell& a, const Cell& b) const {
    return a.estimate.lowerBound > b.estimate.lowerBound;
  }
};

}  // namespace

SearchResult searchDirections(const Estimator& estimate, const std::function<void()>& settle,
                              std::size_t maxCells, bool threaded) {
  SearchResult result;
  result.value = std::numeric_limits<double>::infinity();
  std::size_t cells = 0;
  WorkerPair workers(threaded);
  // A heap by hand, so that the cells' candidate lists move rather than copy.
  std::vector<Cell> queue;
  std::vector<Cell> batch;
  // Estimates the batch (half on each worker), settles, then takes its cells in order.
  const auto pushBatch = [&](const Candidates* parent) {
    const std::size_t half = (batch.size() + 1) / 2;
    workers.run([&](std::size_t w) {
      for (std::size_t k = w == 0 ? 0 : half; k < (w == 0 ? half : batch.size()); ++k)
        batch[k].estimate =
            estimate(w, batch[k].centre, batch[k].radius, parent, batch[k].candidates);
    });
    if (settle)
      settle();
    for (Cell& c : batch) {
      ++cells;
      if (c.estimate.value < result.value) {
        result.value = c.estimate.value;
        result.direction = c.centre;
      }
      queue.push_back(std::move(c));
      std::push_heap(queue.begin(), queue.end(), ByBound());
    }
    batch.clear();
  };
  constexpr int START = 4;  // 4 x 4 cells a face, about 15 degrees each
  for (int face = 0; face < 3; ++face)
    for (int i = 0; i < START; ++i) {
      for (int j = 0; j < START; ++j)
        batch.push_back(makeCell(face, -1.0 + 2.0 * i / START, -1.0 + 2.0 * (i + 1) / START,
                                 -1.0 + 2.0 * j / START, -1.0 + 2.0 * (j + 1) / START));
      pushBatch(nullptr);
    }

  double leafBound = std::numeric_limits<double>::infinity();
  bool budgetLeft = true;
  while (!queue.empty()) {
    const double target = result.value / (1.0 + TOLERANCE);
    if (queue.front().estimate.lowerBound >= target)
      break;
    std::pop_heap(queue.begin(), queue.end(), ByBound());
    const Cell c = std::move(queue.back());
    queue.pop_back();
    // Splitting helps only while the cell's bound is below what its centre alone allows
    // (its centre's own bound is short of the target, and refining could win back only a
    // twentieth of that shortfall).
    const bool closed =
        c.estimate.centreBound < target &&
        c.estimate.centreBound - c.estimate.lowerBound <= 0.05 * (target - c.estimate.centreBound);
    if (closed || c.radius < 1e-9) {
      leafBound = std::min(leafBound, c.estimate.lowerBound);
      continue;
    }
    if (cells + 4 > maxCells) {
      budgetLeft = false;
      leafBound = std::min(leafBound, c.estimate.lowerBound);
      break;
    }
    const double am = 0.5 * (c.a0 + c.a1), bm = 0.5 * (c.b0 + c.b1);
    batch.push_back(makeCell(c.face, c.a0, am, c.b0, bm));
    batch.push_back(makeCell(c.face, am, c.a1, c.b0, bm));
    batch.push_back(makeCell(c.face, c.a0, am, bm, c.b1));
    batch.push_back(makeCell(c.face, am, c.a1, bm, c.b1));
    pushBatch(&c.candidates);
  }
  double lowest = leafBound;
  if (!queue.empty())
    lowest = std::min(lowest, queue.front().estimate.lowerBound);
  lowest = std::min(lowest, result.value);
  double gap = 0.0;
  if (result.value > 0.0)
    gap = lowest > 0.0 ? result.value / lowest - 1.0 : std::numeric_limits<double>::infinity();
  result.report = {gap, cells, budgetLeft && gap <= TOLERANCE};
  return result;
}

CentredPoints centredShuffled(std::span<const Vector3> hullVertices) {
  CentredPoints out;
  if (hullVertices.empty())
    return out;
  Vector3d lo(hullVertices[0]), hi(hullVertices[0]);
  for (const Vector3& v : hullVertices)
    for (int k = 0; k < 3; ++k) {
      lo[k] = std::min(lo[k], static_cast<double>(v[k]));
      hi[k] = std::max(hi[k], static_cast<double>(v[k]));
    }
  out.centre = (lo + hi) * 0.5;
  out.points.reserve(hullVertices.size());
  out.order.reserve(hullVertices.size());
  for (const Vector3& v : hullVertices) {
    out.order.push_back(static_cast<std::int32_t>(out.points.size()));
    out.points.push_back(Vector3d(v) - out.centre);
    out.extent = std::max(out.extent, length(out.points.back()));
  }
  // A fixed Fisher-Yates shuffle (splitmix64 steps): the same order on every run, and no
  // adversarial order for the circle construction.
  std::uint64_t state = 0x9E3779B97F4A7C15ull;
  for (std::size_t i = out.points.size(); i > 1; --i) {
    state += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    std::swap(out.points[i - 1], out.points[static_cast<std::size_t>(z % i)]);
    std::swap(out.order[i - 1], out.order[static_cast<std::size_t>(z % i)]);
  }
  return out;
}

}  // namespace axis_search

namespace axis_search {

FlatShape flatShape(const CentredPoints& hull) {
  FlatShape shape;
  const std::span<const Vector3d> p(hull.points);
  if (p.empty())
    return shape;
  const double tiny = 1e-13 * hull.extent;
  std::size_t far = 0;
  for (std::size_t i = 0; i < p.size(); ++i)
    if (length(p[i] - p[0]) > length(p[far] - p[0]))
      far = i;
  const Vector3d line = p[far] - p[0];
  if (!(length(line) > tiny))
    return shape;
  shape.kind = FlatShape::Segment;
  shape.axis = normalized(line);
  Vector3d normal;
  for (const Vector3d& q : p) {
    const Vector3d n = cross(line, q - p[0]);
    if (length(n) > length(normal))
      normal = n;
  }
  if (!(length(normal) > tiny * length(line)))
    return shape;
  normal = normalized(normal);
  for (const Vector3d& q : p)
    if (std::fabs(dot(normal, q - p[0])) > tiny) {
      shape.kind = FlatShape::Solid;
      return shape;
    }
  shape.kind = FlatShape::Flat;
  shape.axis = normal;
  return shape;
}

NormalCones normalCones(std::span<const Vector3> hullVertices, const CentredPoints& hull) {
  const std::size_t n = hull.points.size();
  NormalCones result;
  result.cones.assign(n, {0.0, 0.0, 0.0, -1.0, 1.0});
  const ExactHull exact = buildExactHull(hullVertices);
  if (exact.dimension != HullDimension::Solid)
    return result;  // every vertex kept
  struct Accumulated {
    std::vector<Vector3d> axis;
    std::vector<double> cosSpread, sinSpread;
  } cones{std::vector<Vector3d>(n), std::vector<double>(n, -1.0), std::vector<double>(n, 1.0)};
  std::vector<std::int32_t> slot(hullVertices.size());
  for (std::size_t k = 0; k < n; ++k)
    slot[static_cast<std::size_t>(hull.order[k])] = static_cast<std::int32_t>(k);
  // Unit normals with a bound of their angular error: the edges are exact differences of
  // float corners to a unit in the last place, each component of their cross product off by
  // at most 4 eps |e1| |e2|, so the direction by at most 8 eps |e1| |e2| / |n| radians.
  struct Normal {
    Vector3d unit;
    double error;
  };
  std::vector<Normal> normals(exact.triangles.size());
  std::vector<char> sharp(n, 0);
  for (std::size_t f = 0; f < exact.triangles.size(); ++f) {
    const auto& v = exact.triangles[f].vertices;
    const Vector3d a(hullVertices[static_cast<std::size_t>(v[0])]);
    const Vector3d e1 = Vector3d(hullVertices[static_cast<std::size_t>(v[1])]) - a;
    const Vector3d e2 = Vector3d(hullVertices[static_cast<std::size_t>(v[2])]) - a;
    const Vector3d nf = cross(e1, e2);
    const double len = length(nf);
    const double error = len > 0.0 ? 8.0 * 0x1p-53 * length(e1) * length(e2) / len : INFINITY;
    normals[f] = {len > 0.0 ? nf * (1.0 / len) : Vector3d(), error + 1e-12};
    for (std::int32_t i : v) {
      const std::size_t k = static_cast<std::size_t>(slot[static_cast<std::size_t>(i)]);
      cones.axis[k] = cones.axis[k] + normals[f].unit;
      if (!(normals[f].error < 0.1))
        sharp[k] = 1;
    }
  }
  std::vector<double> spread(n, 0.0);
  for (std::size_t k = 0; k < n; ++k) {
    const double len = length(cones.axis[k]);
    if (len > 0.0)
      cones.axis[k] = cones.axis[k] * (1.0 / len);
    else
      sharp[k] = 1;
  }
  for (std::size_t f = 0; f < exact.triangles.size(); ++f)
    for (std::int32_t i : exact.triangles[f].vertices) {
      const std::size_t k = static_cast<std::size_t>(slot[static_cast<std::size_t>(i)]);
      spread[k] =
          std::max(spread[k], angleBetween(cones.axis[k], normals[f].unit) + normals[f].error);
    }
  // Vertices that are no corner of the exact hull (repeated or inside) never matter; they
  // keep a cone that no cap reaches: an empty spread around an axis no test accepts.
  std::vector<char> corner(hullVertices.size(), 0);
  for (std::int32_t i : exact.vertices)
    corner[static_cast<std::size_t>(i)] = 1;
  for (std::size_t k = 0; k < n; ++k) {
    if (!corner[static_cast<std::size_t>(hull.order[k])]) {
      cones.cosSpread[k] = 2.0;  // marks "never"
      continue;
    }
    const double beta = spread[k] * (1.0 + 1e-9) + 1e-12;
    if (sharp[k] || !(beta < 0.5 * PI))
      continue;  // kept always
    cones.cosSpread[k] = std::cos(beta);
    cones.sinSpread[k] = std::sin(beta);
  }
  for (std::size_t k = 0; k < n; ++k)
    result.cones[k] = {cones.axis[k].x, cones.axis[k].y, cones.axis[k].z, cones.cosSpread[k],
                       cones.sinSpread[k]};
  return result;
}

void capCandidates(const NormalCones& cones, const Candidates* from, std::size_t count,
                   const Vector3d& u0, double theta, bool extremes, Candidates& out) {
  const double ct = std::cos(theta), st = std::sin(theta);
  // The rounding of c, of the sums below and of cos and sin, well inside this room.
  constexpr double ROOM = 1e-12;
  const std::size_t n = from ? from->size() : count;
  out.resize(n);
  std::size_t kept = 0;
  for (std::size_t j = 0; j < n; ++j) {
    const std::size_t k = from ? static_cast<std::size_t>((*from)[j]) : j;
    const NormalCones::Cone& cone = cones.cones[k];
    const double cb = cone.cosSpread, sb = cone.sinSpread;
    const double cosSum = cb * ct - sb * st, sinSum = sb * ct + cb * st;
    const double c = std::fabs(cone.x * u0.x + cone.y * u0.y + cone.z * u0.z);
    // Bitwise on purpose: no branch to mispredict in the list's one pass.
    const bool keep = (cb <= 1.5) & ((cb <= 0.0) | (cosSum <= ROOM) | (c <= sinSum + ROOM) |
                                     (extremes & (c >= cosSum - ROOM)));
    out[kept] = static_cast<std::int32_t>(k);
    kept += keep ? 1 : 0;
  }
  out.resize(kept);
}

void positionsIn(const Candidates& within, std::span<const std::int32_t> support,
                 std::vector<std::int32_t>& out) {
  out.clear();
  for (std::int32_t v : support) {
    const auto at = std::lower_bound(within.begin(), within.end(), v);
    if (at != within.end() && *at == v)
      out.push_back(static_cast<std::int32_t>(at - within.begin()));
  }
}

}  // namespace axis_search
