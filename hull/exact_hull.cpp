// The exact hull's build: the exact choice of dimension and first simplex, the cull of the
// points inside the polytope of extreme points, and Quickhull with exact predicates. The
// faces and final triangles come from hull/exact_hull_faces.cpp.
//
// Invariants of the build (between steps):
// - The live facets form a closed, convex, triangulated surface: every facet's neighbours
//   link back, every facet is wound counter-clockwise from outside, and no input point that
//   has been handed to the build lies strictly outside a facet unless it is in the outside
//   set of exactly one facet it lies strictly outside of.
// - A point dropped from every outside set lies in the closed current hull, so it is no
//   extreme point of the final one (or it equals a vertex, of which the first index is kept).
// - Outside sets keep the input order among points that came from one set; equal points move
//   together, so of equal points the one with the smallest index is met, and chosen, first.
#include "hull/exact_hull.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "geometry/float_rounding.h"
#include "geometry/vector3d.h"
#include "hull/cone_locator.h"
#include "hull/directional_extremes.h"
#include "hull/exact_hull_faces.h"
#include "hull/orientation.h"

namespace {

constexpr std::int32_t NONE = NO_INDEX;
// Clouds larger than this start from the hull of an even sample of 16 sqrt(n) points.
constexpr std::size_t SAMPLE_FROM = 2000;
// Polytopes of more facets than this locate points in their cones rather than try each facet.
constexpr std::size_t LOCATE_FROM = 64;

double squaredDistance(const Vector3& a, const Vector3& b) {
  const double dx = static_cast<double>(a.x) - b.x;
  const double dy = static_cast<double>(a.y) - b.y;
  const double dz = static_cast<double>(a.z) - b.z;
  return dx * dx + dy * dy + dz * dz;
}

// |(p - a) x (b - a)|^2 in double: a measure of p's distance from the line, for choosing only.
double lineMeasure(const Vector3& a, const Vector3& b, const Vector3& p) {
  const double ux = static_cast<double>(b.x) - a.x, uy = static_cast<double>(b.y) - a.y,
               uz = static_cast<double>(b.z) - a.z;
  const double wx = static_cast<double>(p.x) - a.x, wy = static_cast<double>(p.y) - a.y,
               wz = static_cast<double>(p.z) - a.z;
  const double cx = wy * uz - wz * uy, cy = wz * ux - wx * uz, cz = wx * uy - wy * ux;
  return cx * cx + cy * cy + cz * cz;
}

struct Facet {
  std::array<std::int32_t, 3> v{};
  std::array<std::int32_t, 3> nb{};
  OrientationPlane plane;
  std::int32_t head = NONE;  // outside set: a list through Builder::next_, in arrival order
  std::int32_t tail = NONE;
  std::int32_t farthest = NONE;
  double farthestValue = 0;
  std::uint32_t mark = 0;  // 2 * step: seen from the eye; 2 * step + 1: tested, not seen
  std::uint32_t generation = 0;
  bool alive = false;
};

// Facets in chunks of fixed size: growing never moves a facet, so references stay valid and
// the pool never holds two copies of itself, as a growing vector does while it moves.
class FacetPool {
 public:
  std::size_t size() const { return size_; }
  Facet& operator[](std::size_t i) { return chunks_[i >> SHIFT][i & (CHUNK - 1)]; }
  const Facet& operator[](std::size_t i) const { return chunks_[i >> SHIFT][i & (CHUNK - 1)]; }
  void emplace_back() {
    if ((size_ & (CHUNK - 1)) == 0)
      chunks_.push_back(std::make_unique<Facet[]>(CHUNK));
    ++size_;
  }
  void clear() {
    chunks_.clear();
    chunks_.shrink_to_fit();
    size_ = 0;
  }

 private:
  static constexpr std::size_t SHIFT = 10;
  static constexpr std::size_t CHUNK = std::size_t{1} << SHIFT;
  std::vector<std::unique_ptr<Facet[]>> chunks_;
  std::size_t size_ = 0;
};

// Points strictly inside a polytope, found cheaply: an axis-aligned box and a ball proven to
// lie strictly inside it (see innerRegionOf).
struct InnerRegion {
  bool hasBox = false;
  Vector3 lo, hi;
  bool hasBall = false;
  double cx = 0, cy = 0, cz = 0, r2 = 0;

  bool contains(const Vector3& p) const {
    if (hasBox && p.x >= lo.x && p.x <= hi.x && p.y >= lo.y && p.y <= hi.y && p.z >= lo.z &&
        p.z <= hi.z)
      return true;
    if (hasBall) {
      const double dx = p.x - cx, dy = p.y - cy, dz = p.z - cz;
      return dx * dx + dy * dy + dz * dz < r2;
    }
    return false;
  }
};

float floatNotAbove(double x) {
  return -floatNotBelow(-x);
}

class Builder {
 public:
  explicit Builder(std::span<const Vector3> points) : points_(points) {}

  ExactHull build();

 private:
  const Vector3& point(std::int32_t i) const { return points_[static_cast<std::size_t>(i)]; }
  Facet& facet(std::int32_t f) { return facets_[static_cast<std::size_t>(f)]; }

  // Exact dimension search, first over `candidates`, then, where they span too little, over
  // every point. Fills chosen_ with 1 to 4 affinely independent points.
  void chooseSimplex(const std::vector<std::int32_t>& candidates);
  template <class ForEach>
  bool extendSimplex(ForEach forEach);

  std::int32_t newFacet(std::int32_t a, std::int32_t b, std::int32_t c);
  void freeFacet(std::int32_t f);
  void startSimplex();
  // Hands p to facet f when it lies strictly outside it; false when not.
  bool offer(std::int32_t f, std::int32_t p);
  // Hands p to the first of `targets` it lies strictly outside of; false when none.
  bool assign(std::int32_t p, std::span<const std::int32_t> targets);
  // The points not culled by the polytope built so far, each to a facet it lies outside of.
  void partition();
  void enqueue(std::int32_t f);
  void grow();
  void addPoint(std::int32_t seed, std::int32_t eye);
  InnerRegion innerRegion();
  InnerRegion innerRegionAbout(const std::vector<std::int32_t>& live, const Vector3d& centre,
                               const double (&h)[3]);
  std::vector<std::int32_t> liveFacets() const;
  ExactHull finish();

  std::span<const Vector3> points_;
  std::vector<std::int32_t> chosen_;
  FacetPool facets_;
  std::vector<std::int32_t> freeSlots_;
  std::vector<std::int32_t> next_;  // per point: the next point of its outside set
  std::vector<std::pair<std::int32_t, std::uint32_t>> queue_;  // (facet, generation)
  std::size_t queueHead_ = 0;
  std::uint32_t step_ = 1;
  // Scratch of a step.
  std::vector<std::int32_t> visible_;
  std::vector<std::int32_t> created_;
  std::vector<std::pair<std::int32_t, int>> horizon_;  // (visible facet, side)
  std::vector<std::int32_t> startsAt_;  // per point: the new facet whose first vertex it is
};

template <class ForEach>
bool Builder::extendSimplex(ForEach forEach) {
  const std::size_t have = chosen_.size();
  const Vector3& a = point(chosen_[0]);
  std::int32_t best = NONE;
  double bestValue = 0;
  const Vector3& b = point(chosen_[1]);
  if (have == 2) {
    forEach([&](std::int32_t i) {
      const double value = lineMeasure(a, b, point(i));
      if (value > bestValue) {
        bestValue = value;
        best = i;
      }
    });
    if (best == NONE || collinear(a, b, point(best))) {
      best = NONE;
      forEach([&](std::int32_t i) {
        if (best == NONE && !collinear(a, b, point(i)))
          best = i;
      });
    }
  } else {
    const Vector3& c = point(chosen_[2]);
    const OrientationPlane plane(a, b, c);
    forEach([&](std::int32_t i) {
      double permanent = 0;
      const double value = std::fabs(plane.evaluate(point(i), permanent));
      if (value > bestValue) {
        bestValue = value;
        best = i;
      }
    });
    if (best == NONE || plane.side(a, b, c, point(best)) == 0) {
      best = NONE;
      forEach([&](std::int32_t i) {
        if (best == NONE && orient3dExact(a, b, c, point(i)) != 0)
          best = i;
      });
    }
  }
  if (best == NONE)
    return false;
  chosen_.push_back(best);
  return true;
}

void Builder::chooseSimplex(const std::vector<std::int32_t>& candidates) {
  // The farthest pair among the candidates starts the simplex; with every extreme point equal
  // the axis extremes show that all points are.
  std::int32_t first = candidates.front();
  double far = -1;
  std::int32_t second = first;
  for (std::int32_t i : candidates) {
    for (std::int32_t j : candidates) {
      const double d = squaredDistance(point(i), point(j));
      if (i < j && d > far) {
        far = d;
        first = i;
        second = j;
      }
    }
  }
  chosen_ = {first};
  if (far <= 0)
    return;
  chosen_.push_back(second);
  const auto overCandidates = [&candidates](auto visit) {
    for (std::int32_t i : candidates)
      visit(i);
  };
  const auto overAll = [this](auto visit) {
    for (std::size_t i = 0; i < points_.size(); ++i) {
      if (finitePoint(points_[i]))
        visit(static_cast<std::int32_t>(i));
    }
  };
  while (chosen_.size() < 4) {
    if (!extendSimplex(overCandidates) && !extendSimplex(overAll))
      return;
  }
}

std::int32_t Builder::newFacet(std::int32_t a, std::int32_t b, std::int32_t c) {
  std::int32_t f;
  if (!freeSlots_.empty()) {
    f = freeSlots_.back();
    freeSlots_.pop_back();
  } else {
    f = static_cast<std::int32_t>(facets_.size());
    facets_.emplace_back();
  }
  Facet& t = facet(f);
  t.v = {a, b, c};
  t.nb = {NONE, NONE, NONE};
  t.plane = OrientationPlane(point(a), point(b), point(c));
  t.head = NONE;
  t.tail = NONE;
  t.farthest = NONE;
  t.farthestValue = 0;
  t.mark = 0;
  ++t.generation;
  t.alive = true;
  return f;
}

void Builder::freeFacet(std::int32_t f) {
  facet(f).alive = false;
  freeSlots_.push_back(f);
}

void Builder::startSimplex() {
  const std::int32_t a = chosen_[0], c = chosen_[2], d = chosen_[3];
  std::int32_t b = chosen_[1];
  std::int32_t cc = c;
  // Wound so that d lies behind (a, b, c): every face then faces outward.
  if (orient3d(point(a), point(b), point(c), point(d)) > 0)
    std::swap(b, cc);
  // Faces opposite d, c, b, a; edges listed so that each is met once each way.
  const std::int32_t f0 = newFacet(a, b, cc);
  const std::int32_t f1 = newFacet(a, d, b);
  const std::int32_t f2 = newFacet(b, d, cc);
  const std::int32_t f3 = newFacet(cc, d, a);
  facet(f0).nb = {f1, f2, f3};
  facet(f1).nb = {f3, f2, f0};
  facet(f2).nb = {f1, f3, f0};
  facet(f3).nb = {f2, f1, f0};
}

bool Builder::offer(std::int32_t f, std::int32_t p) {
  const Vector3& q = point(p);
  Facet& t = facet(f);
  double permanent = 0;
  const double value = t.plane.evaluate(q, permanent);
  const double bound = ORIENT3D_FILTER_BOUND * permanent;
  if (value < -bound)
    return false;
  if (value <= bound && orient3dExact(point(t.v[0]), point(t.v[1]), point(t.v[2]), q) <= 0)
    return false;
  next_[static_cast<std::size_t>(p)] = NONE;
  if (t.tail == NONE)
    t.head = p;
  else
    next_[static_cast<std::size_t>(t.tail)] = p;
  t.tail = p;
  if (value > t.farthestValue || t.farthest == NONE) {
    t.farthestValue = value;
    t.farthest = p;
  }
  return true;
}

bool Builder::assign(std::int32_t p, std::span<const std::int32_t> targets) {
  for (std::int32_t f : targets) {
    if (offer(f, p))
      return true;
  }
  return false;
}

void Builder::enqueue(std::int32_t f) {
  queue_.emplace_back(f, facet(f).generation);
}

void Builder::grow() {
  while (queueHead_ < queue_.size()) {
    const auto [f, generation] = queue_[queueHead_++];
    if (queueHead_ > 4096 && queueHead_ * 2 > queue_.size()) {
      queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(queueHead_));
      queueHead_ = 0;
    }
    Facet& t = facet(f);
    if (!t.alive || t.generation != generation || t.head == NONE)
      continue;
    addPoint(f, t.farthest);
  }
  queue_.clear();
  queueHead_ = 0;
}

void Builder::addPoint(std::int32_t seed, std::int32_t eye) {
  const Vector3& e = point(eye);
  const std::uint32_t seen = 2 * step_;
  const std::uint32_t unseen = seen + 1;
  ++step_;
  // The facets the eye lies strictly outside of, walked across neighbours from the seed.
  visible_.clear();
  visible_.push_back(seed);
  facet(seed).mark = seen;
  // Horizon edges as (visible facet, side), in the order the walk meets them.
  created_.clear();
  std::vector<std::pair<std::int32_t, int>>& horizon = horizon_;
  horizon.clear();
  for (std::size_t i = 0; i < visible_.size(); ++i) {
    const std::int32_t f = visible_[i];
    for (int k = 0; k < 3; ++k) {
      const std::int32_t g = facet(f).nb[static_cast<std::size_t>(k)];
      Facet& n = facet(g);
      if (n.mark == seen)
        continue;
      if (n.mark != unseen && n.plane.side(point(n.v[0]), point(n.v[1]), point(n.v[2]), e) > 0) {
        n.mark = seen;
        visible_.push_back(g);
        continue;
      }
      n.mark = unseen;
      horizon.emplace_back(f, k);
    }
  }
  // The cone from the eye to the horizon; each new facet keeps its horizon edge's direction.
  if (startsAt_.size() < points_.size())
    startsAt_.resize(points_.size(), NONE);
  for (const auto& [f, k] : horizon) {
    const Facet& old = facet(f);
    const std::int32_t u = old.v[static_cast<std::size_t>(k)];
    const std::int32_t w = old.v[static_cast<std::size_t>((k + 1) % 3)];
    const std::int32_t across = old.nb[static_cast<std::size_t>(k)];
    const std::int32_t t = newFacet(u, w, eye);
    facet(t).nb[0] = across;
    Facet& other = facet(across);
    for (std::size_t j = 0; j < 3; ++j) {
      if (other.nb[j] == f && other.v[j] == w)
        other.nb[j] = t;
    }
    startsAt_[static_cast<std::size_t>(u)] = t;
    created_.push_back(t);
  }
  // The horizon is one simple cycle: each of its vertices starts exactly one new facet.
  for (std::int32_t t : created_) {
    const std::int32_t next = startsAt_[static_cast<std::size_t>(facet(t).v[1])];
    facet(t).nb[1] = next;
    facet(next).nb[2] = t;
  }
  // The outside points of the replaced facets go to the new ones or are inside now.
  for (std::int32_t f : visible_) {
    for (std::int32_t p = facet(f).head; p != NONE;) {
      const std::int32_t following = next_[static_cast<std::size_t>(p)];
      if (p != eye)
        assign(p, created_);
      p = following;
    }
  }
  for (std::int32_t f : visible_)
    freeFacet(f);
  for (std::int32_t t : created_) {
    if (facet(t).head != NONE)
      enqueue(t);
  }
}

std::vector<std::int32_t> Builder::liveFacets() const {
  std::vector<std::int32_t> live;
  for (std::size_t f = 0; f < facets_.size(); ++f) {
    if (facets_[f].alive)
      live.push_back(static_cast<std::int32_t>(f));
  }
  return live;
}

InnerRegion Builder::innerRegion() {
  std::vector<std::int32_t> live = liveFacets();
  std::vector<std::int32_t> corners;
  for (std::int32_t f : live)
    corners.insert(corners.end(), facet(f).v.begin(), facet(f).v.end());
  std::sort(corners.begin(), corners.end());
  corners.erase(std::unique(corners.begin(), corners.end()), corners.end());
  Vector3d mean;
  double lo[3] = {INFINITY, INFINITY, INFINITY}, hi[3] = {-INFINITY, -INFINITY, -INFINITY};
  for (std::int32_t i : corners) {
    const Vector3& p = point(i);
    mean = mean + Vector3d(p);
    for (int k = 0; k < 3; ++k) {
      lo[k] = std::min(lo[k], static_cast<double>(p[k]));
      hi[k] = std::max(hi[k], static_cast<double>(p[k]));
    }
  }
  mean = mean * (1.0 / static_cast<double>(corners.size()));
  const double h[3] = {(hi[0] - lo[0]) * 0.5, (hi[1] - lo[1]) * 0.5, (hi[2] - lo[2]) * 0.5};
  // The centre of the corners' box suits a box-like polytope best; their mean is strictly
  // inside any polytope, should that centre not be.
  InnerRegion region = innerRegionAbout(
      live, {(lo[0] + hi[0]) * 0.5, (lo[1] + hi[1]) * 0.5, (lo[2] + hi[2]) * 0.5}, h);
  if (!region.hasBox && !region.hasBall)
    region = innerRegionAbout(live, mean, h);
  return region;
}

InnerRegion Builder::innerRegionAbout(const std::vector<std::int32_t>& live, const Vector3d& c,
                                      const double (&h)[3]) {
  // For each facet, upper bounds of the exact det[b - a, c - a, centre - a] (negative inside)
  // and of the exact normal's components give a ball radius and a box scale that keep every
  // point of the ball or box strictly behind the facet's plane.
  constexpr double NORMAL_BOUND = 0x1p-48;  // >= 4 eps: each component's rounding
  double radius = INFINITY;
  double scale = INFINITY;
  for (std::int32_t f : live) {
    const OrientationPlane& q = facet(f).plane;
    const double wx = c.x - q.ax, wy = c.y - q.ay, wz = c.z - q.az;
    const double det = (q.nx * wx + q.ny * wy) + q.nz * wz;
    const double permanent = (q.px * std::fabs(wx) + q.py * std::fabs(wy)) + q.pz * std::fabs(wz);
    const double depth = -(det + ORIENT3D_FILTER_BOUND * permanent);
    if (!(depth > 0))
      return InnerRegion();
    const double mx = std::fabs(q.nx) + NORMAL_BOUND * q.px;
    const double my = std::fabs(q.ny) + NORMAL_BOUND * q.py;
    const double mz = std::fabs(q.nz) + NORMAL_BOUND * q.pz;
    radius = std::min(radius, depth / std::sqrt(mx * mx + my * my + mz * mz));
    scale = std::min(scale, depth / ((mx * h[0] + my * h[1]) + mz * h[2]));
  }
  // The last shrink covers the rounding of this very computation, many times over.
  constexpr double SHRINK = 1.0 - 0x1p-30;
  InnerRegion region;
  region.cx = c.x;
  region.cy = c.y;
  region.cz = c.z;
  region.r2 = radius * SHRINK * (radius * SHRINK) * (1.0 - 0x1p-40);
  region.hasBall = region.r2 > 0 && std::isfinite(region.r2);
  region.hasBox = std::isfinite(scale);
  for (int k = 0; k < 3 && region.hasBox; ++k) {
    const double e = h[k] * scale * SHRINK;
    const double slack = 0x1p-50 * (std::fabs(c[k]) + e);
    region.lo[k] = floatNotBelow(c[k] - e + slack);
    region.hi[k] = floatNotAbove(c[k] + e - slack);
    region.hasBox = region.lo[k] <= region.hi[k];
  }
  return region;
}

ExactHull Builder::build() {
  // A large cloud's sample gives its first polytope its shape; its axis extremes suffice
  // beside it, and cost a third of the diagonals'.
  std::vector<std::int32_t> extremes = directionalExtremes(points_, points_.size() <= SAMPLE_FROM);
  if (extremes.empty())
    return ExactHull();
  chooseSimplex(extremes);
  if (chosen_.size() < 4)
    return lowDimensionalHull(points_, chosen_);

  // The polytope of the extreme points and of an even sample of the rest first: a hull of
  // 16 sqrt(n) points that already holds most of a large cloud and splits the rest finely.
  next_.assign(points_.size(), NONE);
  startSimplex();
  std::vector<std::int32_t> seeds = extremes;
  const std::size_t n = points_.size();
  if (n > SAMPLE_FROM) {
    const std::size_t step = n / static_cast<std::size_t>(16.0 * std::sqrt(static_cast<double>(n)));
    for (std::size_t i = 0; i < n; i += step) {
      if (finitePoint(points_[i]))
        seeds.push_back(static_cast<std::int32_t>(i));
    }
    std::sort(seeds.begin(), seeds.end());
    seeds.erase(std::unique(seeds.begin(), seeds.end()), seeds.end());
  }
  std::vector<std::int32_t> live = liveFacets();
  for (std::int32_t p : seeds)
    assign(p, live);
  for (std::int32_t f : live)
    enqueue(f);
  grow();
  partition();
  grow();
  return finish();
}

void Builder::partition() {
  // Points strictly inside the inner box or ball are culled at once; the others are located
  // in the cones of the polytope's facets, and the one facet whose cone holds a point decides
  // whether it is inside (culled) or outside (kept there).
  const InnerRegion inner = innerRegion();
  const std::vector<std::int32_t> live = liveFacets();
  std::vector<std::int32_t> dense(facets_.size(), NONE);
  for (std::size_t i = 0; i < live.size(); ++i)
    dense[static_cast<std::size_t>(live[i])] = static_cast<std::int32_t>(i);
  std::vector<BuildTriangle> triangles;
  triangles.reserve(live.size());
  for (std::int32_t f : live) {
    BuildTriangle t{facet(f).v, facet(f).nb};
    for (std::int32_t& nb : t.neighbors)
      nb = dense[static_cast<std::size_t>(nb)];
    triangles.push_back(t);
  }
  // Against a few facets, trying each costs less than building the cube map of guesses.
  ConeLocator locator;
  const bool located = live.size() > LOCATE_FROM && locator.build(points_, std::move(triangles));
  for (std::size_t i = 0; i < points_.size(); ++i) {
    const Vector3& p = points_[i];
    if (!finitePoint(p) || inner.contains(p))
      continue;
    const auto index = static_cast<std::int32_t>(i);
    const std::int32_t cone = located ? locator.locate(p) : NONE;
    if (cone != NONE)
      offer(live[static_cast<std::size_t>(cone)], index);
    else
      assign(index, live);
  }
  for (std::int32_t f : live)
    enqueue(f);
}

ExactHull Builder::finish() {
  std::vector<std::int32_t> renumber(facets_.size(), NONE);
  std::vector<BuildTriangle> built;
  for (std::size_t f = 0; f < facets_.size(); ++f) {
    if (facets_[f].alive) {
      renumber[f] = static_cast<std::int32_t>(built.size());
      built.push_back({facets_[f].v, facets_[f].nb});
    }
  }
  for (BuildTriangle& t : built) {
    for (std::int32_t& n : t.neighbors)
      n = renumber[static_cast<std::size_t>(n)];
  }
  // The build's memory goes before the last pass takes its own.
  facets_.clear();
  std::vector<std::int32_t>().swap(next_);
  std::vector<std::int32_t>().swap(startsAt_);
  std::vector<std::int32_t>().swap(freeSlots_);
  ExactHull hull;
  finishSolid(points_, built, hull);
  return hull;
}

}  // namespace

ExactHull buildExactHull(std::span<const Vector3> points) {
  return Builder(points).build();
}
