// The minimum-volume capsule: a local solve per axis direction on growing working sets,
// branch and bound over directions with the pair bound and the local solutions' certificates
// (capsule_direction.h), and the smallest enclosing sphere (Welzl's construction, iterative)
// as a fallback (see capsule.h for the contract and bound).
#include "volumes/capsule.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "geometry/float_rounding.h"
#include "volumes/capsule_direction.h"
#include "volumes/capsule_radius.h"
#include "volumes/vertex_tree.h"
#include "volumes/worker_pair.h"

using namespace axis_search;
using capsule_direction::capsuleVolume;
using capsule_direction::Certificate;
using capsule_direction::Pair;
using capsule_direction::Site;

namespace {

constexpr std::size_t MAX_CELLS = 2000;
constexpr double INF = std::numeric_limits<double>::infinity();

// The local solution for one direction, in the projection's frame.
struct AxisFit {
  double cx = 0, cy = 0, r = 0, s0 = 0, s1 = 0, volume = INF;
  std::array<std::size_t, 3> tops{}, bottoms{}, rims{};
  int topCount = 0, bottomCount = 0, rimCount = 0;
};

// Start sets for a local solve, as vertex indices (the same in every direction): those a
// good solution rests on, from which a neighbouring direction's solve needs fewer rounds.
struct WorkingSets {
  std::vector<std::size_t> rim, top, bottom;
  explicit WorkingSets(const AxisFit& fit = {})
      : rim(fit.rims.begin(), fit.rims.begin() + fit.rimCount),
        top(fit.tops.begin(), fit.tops.begin() + fit.topCount),
        bottom(fit.bottoms.begin(), fit.bottoms.begin() + fit.bottomCount) {}
};

// Keeps the three indices with the largest key (ascending keys for the lowest ones: negate).
struct Best3 {
  std::array<std::size_t, 3> index{};
  std::array<double, 3> key{-INF, -INF, -INF};
  void offer(std::size_t i, double k) {
    if (!(k > key[2]))
      return;
    for (int slot = 0; slot < 3; ++slot)
      if (key[slot] > -INF && index[slot] == i)
        return;  // offered before (a working set's vertex seen again by a query)
    int slot = 2;
    while (slot > 0 && k > key[slot - 1]) {
      key[slot] = key[slot - 1];
      index[slot] = index[slot - 1];
      --slot;
    }
    key[slot] = k;
    index[slot] = i;
  }
  int count() const { return (key[0] > -INF) + (key[1] > -INF) + (key[2] > -INF); }
};

// The vertices seen along u (planar coordinates in planeFrame(u) and the height), computed
// where asked, and the tree's queries in that frame. A box is pruned only where it cannot
// hold an answer by a margin far above the rounding of the two ways of measuring.
class View {
 public:
  using Node = VertexTree::Node;

  View(const VertexTree& tree, const Vector3d& u) : tree_(tree), u_(u) {
    const PlaneFrame f = planeFrame(u);
    e1_ = f.e1;
    e2_ = f.e2;
    highest = extreme(1.0);
    lowest = extreme(-1.0);
  }

  std::size_t size() const { return tree_.size(); }
  double x(std::size_t i) const { return dot(tree_.point(i), e1_); }
  double y(std::size_t i) const { return dot(tree_.point(i), e2_); }
  double t(std::size_t i) const { return dot(tree_.point(i), u_); }

  // The three largest t - w and three smallest t + w, w the half chord sqrt(r^2 - d^2) at
  // the planar distance d from (cx, cy), among the vertices above `hiFloor` (below
  // `loFloor`) and those already offered. t - w exceeds a key k only where t > k and
  // d^2 + (t - k)^2 > r^2, outside the ball of radius r at height k on the axis (likewise
  // below), so a box below the key or inside that ball holds no vertex that can enter.
  void offerEnds(Best3& high, Best3& low, double cx, double cy, double r2, double hiFloor = -INF,
                 double loFloor = INF) const {
    for (const double side : {1.0, -1.0}) {
      Best3& best = side > 0 ? high : low;
      const double floor = side > 0 ? hiFloor : -loFloor;  // on side * height
      // The height the next entry must pass, times side; -infinity while any may enter.
      const auto threshold = [&] { return std::max(best.key[2], floor); };
      const Vector3d base = axisPoint(cx, cy, 0.0);
      const double inside = r2 * (1.0 - 1e-9);
      tree_.search(
          [&](const Node& n) {
            const double top = extent(n, side);
            const double k = threshold();
            if (!(k > -INF))
              return top;
            if (top - k < -n.margin)
              return -INF;
            if (distance2(n, base + u_ * (side * k)) < inside)
              return -INF;
            return top;
          },
          [&](std::size_t i) {
            const double ti = side * t(i);
            const double k = threshold();
            if (k > -INF && !(ti > k))
              return;
            const double e2 = sq(x(i) - cx) + sq(y(i) - cy);
            if (k > -INF && !(e2 + sq(ti - k) > r2))
              return;
            const double w = std::sqrt(std::max(0.0, r2 - e2));
            if (ti - w > floor)
              best.offer(i, ti - w);
          });
    }
  }

  // The three vertices farthest from the axis through (cx, cy), by squared distance; the
  // distance from a line is convex, so a box's largest is at a corner.
  void farthest(Best3& far, double cx, double cy) const {
    const Vector3d c = axisPoint(cx, cy, 0.0);
    tree_.search(
        [&](const Node& n) {
          double most = 0.0;
          for (int k = 0; k < 8; ++k) {
            const Vector3d q = Vector3d(k & 1 ? n.hi.x : n.lo.x, k & 2 ? n.hi.y : n.lo.y,
                                        k & 4 ? n.hi.z : n.lo.z) -
                               c;
            most = std::max(most, dot(q, q) - sq(dot(q, u_)));
          }
          return far.key[2] > -INF && most < far.key[2] * (1.0 - 1e-9) - margin2(n) ? -INF : most;
        },
        [&](std::size_t i) { far.offer(i, sq(x(i) - cx) + sq(y(i) - cy)); });
  }

  // The largest squared distance of a vertex from the point at (cx, cy) and height h.
  double farthestFrom(double cx, double cy, double h) const {
    const Vector3d c = axisPoint(cx, cy, h);
    double best = 0.0;
    tree_.search(
        [&](const Node& n) {
          const double most = distance2(n, c);
          return most < best * (1.0 - 1e-9) - margin2(n) ? -INF : most;
        },
        [&](std::size_t i) {
          best = std::max(best, sq(x(i) - cx) + sq(y(i) - cy) + sq(t(i) - h));
        });
    return best;
  }

  std::size_t highest = 0;
  std::size_t lowest = 0;

 private:
  static double sq(double v) { return v * v; }

  Vector3d axisPoint(double cx, double cy, double h) const { return e1_ * cx + e2_ * cy + u_ * h; }
  // The largest of side * t over a box (side = 1: the highest, -1: minus the lowest).
  double extent(const Node& n, double side) const {
    double sum = 0.0;
    for (int k = 0; k < 3; ++k)
      sum += std::max(side * u_[k] * n.lo[k], side * u_[k] * n.hi[k]);
    return sum;
  }
  static double distance2(const Node& n, const Vector3d& c) {
    double sum = 0.0;
    for (int k = 0; k < 3; ++k)
      sum += std::max(sq(n.lo[k] - c[k]), sq(n.hi[k] - c[k]));
    return sum;
  }
  // Room for rounding: of heights, and of squared distances, at the box's scale.
  static double margin(const Node& n) { return n.margin; }
  static double margin2(const Node& n) { return sq(n.margin) * 1e12; }

  std::size_t extreme(double side) const {
    std::size_t best = 0;
    double bestT = -INF;
    tree_.search(
        [&](const Node& n) {
          const double top = extent(n, side);
          return top < bestT - margin(n) ? -INF : top;
        },
        [&](std::size_t i) {
          const double ti = side * t(i);
          if (ti > bestT || (ti == bestT && i < best)) {
            bestT = ti;
            best = i;
          }
        });
    return best;
  }

  const VertexTree& tree_;
  Vector3d u_, e1_, e2_;
};

// `rim`, when given, holds every vertex that can be farthest from an axis along the view's
// direction (a superset of the silhouette, axis_search.h); without it the tree is asked.
class AxisSolver {
 public:
  AxisSolver(const View& view, const Candidates* rim) : v_(view), rimList_(rim) {}

  AxisFit solve(const Circle& circle, const WorkingSets* start = nullptr) {
    scale_ = std::max(circle.radius, 1e-12 * (v_.t(v_.highest) - v_.t(v_.lowest)));
    if (!(scale_ > 0.0))
      scale_ = 1.0;
    // Start sets: the circle's support and the extremes along the axis.
    for (int k = 0; k < circle.supportSize; ++k)
      add(rim_, static_cast<std::size_t>(circle.support[k]));
    add(top_, v_.highest);
    add(bottom_, v_.lowest);
    if (start) {
      for (std::size_t i : start->rim)
        add(rim_, i);
      for (std::size_t i : start->top)
        add(top_, i);
      for (std::size_t i : start->bottom)
        add(bottom_, i);
    }
    pack();
    const double tm = 0.5 * (v_.t(v_.highest) + v_.t(v_.lowest));
    const double sphere2 = v_.farthestFrom(circle.cx, circle.cy, tm);
    std::array<double, 3> x{circle.cx, circle.cy, startRadius(circle, std::sqrt(sphere2))};
    double step = 0.05 * scale_;
    AxisFit fit;
    for (int round = 0; round < 12; ++round) {
      x = patternSearch(x, step);
      fit = verify(x);
      if (!grew_)
        break;
      pack();
      step = 0.01 * scale_;
    }
    return fit;
  }

  // The exact capsule of radius r (raised where a vertex is farther from its axis): the
  // barrier method's segment on the working sets from the axis point (sx, sy), which must
  // hold every vertex within r by a margin, checked against every vertex and solved again
  // on the grown sets until none contradicts them. `exact` is the last solve, its
  // multipliers a certificate at r. A `warm` axis point near the optimum (strictly inside
  // too) enters the barrier's path at a small weight; where the grown sets leave it outside,
  // the solve starts from (sx, sy).
  AxisFit solveAtRadius(double r, double sx, double sy, capsule_direction::RadiusSolution& exact,
                        const double* warm = nullptr) {
    AxisFit fit;
    std::vector<Site> sites;
    for (int round = 0; round < 8; ++round) {
      sites.clear();
      for (const auto* set : {&rim_, &top_, &bottom_})
        for (std::size_t i : *set)
          sites.push_back({v_.x(i), v_.y(i), v_.t(i)});
      exact = {};
      if (warm)
        exact = capsule_direction::shortestSegment(sites, r, warm[0], warm[1], 1e-3);
      if (!exact.valid)
        exact = capsule_direction::shortestSegment(sites, r, sx, sy);
      if (!exact.valid)
        return fit;
      fit = verify({exact.cx, exact.cy, r});
      if (!grew_)
        break;
    }
    return fit;
  }

 private:
  static double sq(double v) { return v * v; }

  // Adds i to a working set (a few dozen vertices at most, so a scan finds it).
  static bool add(std::vector<std::size_t>& set, std::size_t i) {
    if (std::find(set.begin(), set.end(), i) != set.end())
      return false;
    set.push_back(i);
    return true;
  }

  // The working sets' coordinates side by side, the top set by falling height and the bottom
  // one by rising height: as t - w <= t, the top's scan ends at the first vertex not above the
  // best so far, and the bottom's likewise, which leaves the objective's value as it was.
  struct Packed {
    std::vector<double> x, y, t;
    void clear() {
      x.clear();
      y.clear();
      t.clear();
    }
    void push(const View& v, std::size_t i) {
      x.push_back(v.x(i));
      y.push_back(v.y(i));
      t.push_back(v.t(i));
    }
  };
  void pack() {
    all_.clear();
    for (const auto* set : {&rim_, &top_, &bottom_})
      for (std::size_t i : *set)
        all_.push(v_, i);
    std::vector<std::size_t> order = top_;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
      const double ta = v_.t(a), tb = v_.t(b);
      return ta != tb ? ta > tb : a < b;
    });
    topPacked_.clear();
    for (std::size_t i : order)
      topPacked_.push(v_, i);
    order = bottom_;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
      const double ta = v_.t(a), tb = v_.t(b);
      return ta != tb ? ta < tb : a < b;
    });
    bottomPacked_.clear();
    for (std::size_t i : order)
      bottomPacked_.push(v_, i);
  }

  // The volume on the working sets, the radius raised to the farthest of them.
  double objective(const std::array<double, 3>& x) const {
    double far2 = 0.0;
    for (std::size_t k = 0; k < all_.x.size(); ++k)
      far2 = std::max(far2, sq(all_.x[k] - x[0]) + sq(all_.y[k] - x[1]));
    const double r = std::max(x[2], std::sqrt(far2));
    double hi = -INF, lo = INF;
    for (std::size_t k = 0; k < topPacked_.t.size() && topPacked_.t[k] > hi; ++k) {
      const double e2 = sq(topPacked_.x[k] - x[0]) + sq(topPacked_.y[k] - x[1]);
      hi = std::max(hi, topPacked_.t[k] - std::sqrt(std::max(0.0, r * r - e2)));
    }
    for (std::size_t k = 0; k < bottomPacked_.t.size() && bottomPacked_.t[k] < lo; ++k) {
      const double e2 = sq(bottomPacked_.x[k] - x[0]) + sq(bottomPacked_.y[k] - x[1]);
      lo = std::min(lo, bottomPacked_.t[k] + std::sqrt(std::max(0.0, r * r - e2)));
    }
    return capsuleVolume(r, std::max(0.0, hi - lo));
  }

  // The radius at the circle's centre: a coarse scan up to the sphere's radius, then golden
  // section around the best sample.
  double startRadius(const Circle& c, double sphere) const {
    const double r0 = c.radius;
    constexpr int SAMPLES = 16;
    double best = INF;
    int bestK = 0;
    const auto radiusAt = [&](double s) { return r0 + (sphere - r0) * s * s; };
    for (int k = 0; k <= SAMPLES; ++k) {
      const double v = objective({c.cx, c.cy, radiusAt(static_cast<double>(k) / SAMPLES)});
      if (v < best) {
        best = v;
        bestK = k;
      }
    }
    double a = radiusAt(std::max(0, bestK - 1) / double(SAMPLES));
    double b = radiusAt(std::min(SAMPLES, bestK + 1) / double(SAMPLES));
    const double g = 0.5 * (std::sqrt(5.0) - 1.0);
    for (int it = 0; it < 30; ++it) {
      const double m1 = b - g * (b - a), m2 = a + g * (b - a);
      if (objective({c.cx, c.cy, m1}) < objective({c.cx, c.cy, m2}))
        b = m2;
      else
        a = m1;
    }
    return 0.5 * (a + b);
  }

  // Compass search with diagonals in the plane; the step halves when no move helps.
  std::array<double, 3> patternSearch(std::array<double, 3> x, double step) const {
    static constexpr double H = 0.70710678118654752;
    static constexpr double DIRS[10][3] = {{1, 0, 0},  {-1, 0, 0}, {0, 1, 0}, {0, -1, 0},
                                           {0, 0, 1},  {0, 0, -1}, {H, H, 0}, {-H, -H, 0},
                                           {H, -H, 0}, {-H, H, 0}};
    double value = objective(x);
    int last = 0;
    for (int it = 0; it < 4000 && step > 1e-10 * scale_; ++it) {
      bool moved = false;
      for (int k = 0; k < 10 && !moved; ++k) {
        const int dir = (last + k) % 10;
        const std::array<double, 3> y{x[0] + step * DIRS[dir][0], x[1] + step * DIRS[dir][1],
                                      x[2] + step * DIRS[dir][2]};
        const double v = objective(y);
        if (v < value) {
          x = y;
          value = v;
          last = dir;
          moved = true;
        }
      }
      if (!moved)
        step *= 0.5;
    }
    return x;
  }

  // The exact capsule for this (c, r) over every hull vertex (by the tree's queries) and the
  // vertices the working sets missed, added for the next round.
  AxisFit verify(const std::array<double, 3>& x) {
    grew_ = false;
    const auto d2 = [&](std::size_t i) { return sq(v_.x(i) - x[0]) + sq(v_.y(i) - x[1]); };
    double far2W = 0.0;
    for (const auto* set : {&rim_, &top_, &bottom_})
      for (std::size_t i : *set)
        far2W = std::max(far2W, d2(i));
    const double rW = std::max(x[2], std::sqrt(far2W));
    Best3 far, high, low;
    if (rimList_) {
      for (std::int32_t i : *rimList_)
        far.offer(static_cast<std::size_t>(i), d2(static_cast<std::size_t>(i)));
    } else {
      v_.farthest(far, x[0], x[1]);
    }
    const double r = std::max(rW, std::sqrt(far.key[0]));
    for (int k = 0; k < far.count(); ++k)
      if (far.key[k] > rW * rW * (1.0 + 1e-12)) {
        add(rim_, far.index[k]);
        grew_ = true;
      }
    double hiW = -INF, loW = INF;
    const auto halfChord = [&](std::size_t i) { return std::sqrt(std::max(0.0, r * r - d2(i))); };
    // The working sets' own ends first: they are usually the answer, and keys that start
    // there let the tree prune from its first box.
    for (std::size_t i : top_) {
      const double key = v_.t(i) - halfChord(i);
      hiW = std::max(hiW, key);
      high.offer(i, key);
    }
    for (std::size_t i : bottom_) {
      const double key = v_.t(i) + halfChord(i);
      loW = std::min(loW, key);
      low.offer(i, -key);
    }
    // Only vertices past the working sets' ends by the slack can grow them or move an end.
    const double slack = 1e-12 * scale_;
    v_.offerEnds(high, low, x[0], x[1], r * r, hiW + slack, loW - slack);
    for (int k = 0; k < 3; ++k) {
      if (k < high.count() && high.key[k] > hiW + slack && add(top_, high.index[k]))
        grew_ = true;
      if (k < low.count() && -low.key[k] < loW - slack && add(bottom_, low.index[k]))
        grew_ = true;
    }
    AxisFit fit;
    fit.cx = x[0];
    fit.cy = x[1];
    fit.r = r;
    fit.s1 = high.key[0];
    fit.s0 = -low.key[0];
    if (fit.s1 < fit.s0)
      fit.s0 = fit.s1 = 0.5 * (fit.s0 + fit.s1);
    fit.volume = capsuleVolume(r, fit.s1 - fit.s0);
    fit.tops = high.index;
    fit.bottoms = low.index;
    fit.topCount = high.count();
    fit.bottomCount = low.count();
    fit.rims = far.index;
    fit.rimCount = far.count();
    return fit;
  }

  const View& v_;
  const Candidates* rimList_;
  std::vector<std::size_t> rim_, top_, bottom_;
  Packed all_, topPacked_, bottomPacked_;
  double scale_ = 1.0;
  bool grew_ = false;
};

// The certificate of a local solution (capsule_direction.h), from its sites along the view.
Certificate certificateOf(const View& view, const AxisFit& fit, const Circle& circle,
                          double scale) {
  const auto sites = [&](const auto& indices, int count) {
    std::vector<Site> out;
    for (int k = 0; k < count; ++k) {
      const auto i = static_cast<std::size_t>(indices[static_cast<std::size_t>(k)]);
      out.push_back({view.x(i), view.y(i), view.t(i)});
    }
    return out;
  };
  return capsule_direction::certificate(
      sites(fit.tops, fit.topCount), sites(fit.bottoms, fit.bottomCount),
      sites(fit.rims, fit.rimCount), sites(circle.support, circle.supportSize), fit.cx, fit.cy,
      fit.r, scale);
}

// Lower bounds of L*(r) for one direction from exact solves (capsule_radius.h): a solve's
// multipliers bound every radius and, turned, the cap, tightest near their own radius, so a
// radius is answered by the certificate solved nearest to it, a new one solved where none is
// within 2 % of r, or within a twentieth of r's distance from the circle's radius, where
// L* falls steeply (at most 16 a direction). As L* does not rise with r, each solve's length
// at its own radius bounds every smaller radius too. Each solve is a true capsule of the
// direction, the smallest kept.
class ExactRadii final : public capsule_direction::LengthOracle {
 public:
  ExactRadii(AxisSolver& solver, const Circle& circle, const Certificate& frame)
      : solver_(solver), circle_(circle), frame_(frame) {}

  double length(double r, double theta) override {
    // L* does not rise with r (in every direction of the cap), so a radius too close to the
    // circle's for a solve is answered at the closest one that is not.
    r = std::max(r, circle_.radius * (1.0 + 1e-5));
    const Certificate* nearest = nullptr;
    for (const Certificate& c : solved_)
      if (!nearest || std::fabs(c.r - r) < std::fabs(nearest->r - r))
        nearest = &c;
    const double near = std::min(0.02 * r, 0.05 * (r - circle_.radius));
    if ((!nearest || std::fabs(nearest->r - r) > near) && solved_.size() < 16) {
      capsule_direction::RadiusSolution exact;
      // From the nearest solve's axis, moved towards the circle's centre until every site is
      // strictly within r (the sites were within its radius of it, and within the circle's
      // of the centre).
      double warm[2] = {0.0, 0.0};
      const bool warmed = nearest != nullptr;
      if (warmed) {
        const double lambda =
            std::min(1.0, std::max(0.0, (nearest->r - r) / (nearest->r - circle_.radius)) + 1e-3);
        warm[0] = nearest->cx + lambda * (circle_.cx - nearest->cx);
        warm[1] = nearest->cy + lambda * (circle_.cy - nearest->cy);
      }
      const AxisFit fit =
          solver_.solveAtRadius(r, circle_.cx, circle_.cy, exact, warmed ? warm : nullptr);
      if (fit.volume < best.volume)
        best = fit;
      if (exact.valid) {
        solved_.push_back(capsule_direction::solvedCertificate(frame_, std::move(exact), r));
        nearest = &solved_.back();
      }
    }
    double l = nearest ? capsule_direction::certifiedLength(*nearest, r, theta) : 0.0;
    // And every solve at a larger radius bounds this one by its own radius's length.
    for (std::size_t k = 0; k < solved_.size(); ++k)
      if (solved_[k].r >= r)
        l = std::max(l, ownLength(k, theta));
    return l;
  }

  AxisFit best;  // the smallest capsule of the solves

 private:
  // The bound of a solve at its own radius for the directions within theta, kept while the
  // calls ask about the same theta (the centre's bound first, then the cap's).
  double ownLength(std::size_t k, double theta) {
    if (theta != ownTheta_) {
      own_.clear();
      ownTheta_ = theta;
    }
    own_.resize(solved_.size(), std::numeric_limits<double>::quiet_NaN());
    if (std::isnan(own_[k]))
      own_[k] = capsule_direction::certifiedLength(solved_[k], solved_[k].r, theta);
    return own_[k];
  }
  std::vector<double> own_;
  double ownTheta_ = 0.0;

  AxisSolver& solver_;
  const Circle& circle_;
  const Certificate& frame_;  // the support's disc (set: r > 0) and the scale, for each solve
  std::vector<Certificate> solved_;
};

// The capsule over all points for float ends, its radius rounded outward.
std::array<Capsule, 2> measured(std::span<const Vector3> points,
                                const std::array<std::array<Vector3d, 2>, 2>& ends) {
  std::array<Capsule, 2> c;
  std::array<Vector3d, 2> fa, ab;
  std::array<double, 2> ab2{}, r{};
  for (std::size_t k = 0; k < 2; ++k) {
    c[k] = {ends[k][0].toFloat(), ends[k][1].toFloat(), 0.0f, 0.0};
    fa[k] = Vector3d(c[k].a);
    ab[k] = Vector3d(c[k].b) - fa[k];
    ab2[k] = dot(ab[k], ab[k]);
  }
  for (const Vector3& p : points) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
      continue;
    for (std::size_t k = 0; k < 2; ++k) {
      const Vector3d v = Vector3d(p) - fa[k];
      const double s = ab2[k] > 0.0 ? std::clamp(dot(v, ab[k]) / ab2[k], 0.0, 1.0) : 0.0;
      r[k] = std::max(r[k], length(v - ab[k] * s));
    }
  }
  for (std::size_t k = 0; k < 2; ++k) {
    c[k].radius = floatAbove(r[k]);
    c[k].volume = capsuleVolume(c[k].radius, length(ab[k]));
  }
  return c;
}
// The capsule over all points for float ends, its radius rounded outward.
Capsule measured(std::span<const Vector3> points, const Vector3d& a, const Vector3d& b) {
  return measured(points, {{{a, b}, {a, b}}})[0];
}
// Of two, the first unless the second is smaller, both measured in one pass over the points.
Capsule smaller(std::span<const Vector3> points, const std::array<Vector3d, 2>& first,
                const std::array<Vector3d, 2>& second) {
  const std::array<Capsule, 2> c = measured(points, {first, second});
  return c[0].volume <= c[1].volume ? c[0] : c[1];
}

// The smallest circle of the projection along u of the vertices in `rim` (which must hold the
// silhouette, see axis_search.h; null for every vertex), its support as vertex indices.
// `last` holds the last circle's support (vertex indices), taken first, and is updated.
Circle rimCircle(const CentredPoints& hull, const Candidates* rim, const Vector3d& u,
                 Projection& sub, Candidates* last = nullptr) {
  if (!rim) {
    project(hull.points, u, sub);
    return smallestCircle(sub);
  }
  project(hull.points, *rim, u, sub);
  Candidates first;
  if (last)
    positionsIn(*rim, *last, first);
  Circle c = smallestCircle(sub, first);
  for (int k = 0; k < c.supportSize; ++k)
    c.support[static_cast<std::size_t>(k)] = (*rim)[static_cast<std::size_t>(c.support[k])];
  if (last)
    last->assign(c.support.begin(), c.support.begin() + c.supportSize);
  return c;
}

// The local solution for direction u, with the rim the cones allow (every vertex without).
AxisFit solveAlong(const CentredPoints& hull, const VertexTree& tree, const NormalCones* cones,
                   const Vector3d& u, const WorkingSets* start = nullptr) {
  Candidates rim;
  if (cones)
    capCandidates(*cones, nullptr, hull.points.size(), u, 0.0, false, rim);
  Projection sub;
  const Circle circle = rimCircle(hull, rim.empty() ? nullptr : &rim, u, sub);
  const View view(tree, u);
  AxisSolver solver(view, rim.empty() ? nullptr : &rim);
  return solver.solve(circle, start);
}

// The segment of a local solution for direction u, in the input's frame.
std::array<Vector3d, 2> segmentOf(const CentredPoints& hull, const Vector3d& u,
                                  const AxisFit& fit) {
  const PlaneFrame f = planeFrame(u);
  const Vector3d base = hull.centre + f.e1 * fit.cx + f.e2 * fit.cy;
  return {base + u * fit.s0, base + u * fit.s1};
}

// The segment of the local solution for direction u, in the input's frame.
std::array<Vector3d, 2> segmentAlong(const CentredPoints& hull, const VertexTree& tree,
                                     const NormalCones* cones, const Vector3d& u,
                                     const WorkingSets* start = nullptr) {
  return segmentOf(hull, u, solveAlong(hull, tree, cones, u, start));
}

// The smallest enclosing sphere's centre (Welzl, iterative, in the shuffled order).
struct Ball {
  Vector3d c;
  double r2 = 0.0;
};
Ball ball2(const Vector3d& a, const Vector3d& b) {
  const Vector3d c = (a + b) * 0.5;
  return {c, dot(a - c, a - c)};
}
Ball ball3(const Vector3d& a, const Vector3d& b, const Vector3d& c) {
  const Vector3d ab = b - a, ac = c - a, n = cross(ab, ac);
  const double n2 = dot(n, n);
  if (!(n2 > 1e-24 * dot(ab, ab) * dot(ac, ac))) {
    Ball best = ball2(a, b);
    for (const Ball& q : {ball2(a, c), ball2(b, c)})
      if (q.r2 > best.r2)
        best = q;
    return best;
  }
  const Vector3d o = (cross(n, ab) * dot(ac, ac) + cross(ac, n) * dot(ab, ab)) * (0.5 / n2);
  return {a + o, dot(o, o)};
}
Ball ball4(const Vector3d& a, const Vector3d& b, const Vector3d& c, const Vector3d& d) {
  const Vector3d ab = b - a, ac = c - a, ad = d - a;
  const double det = 2.0 * dot(ab, cross(ac, ad));
  const double scale = length(ab) * length(ac) * length(ad);
  if (!(std::fabs(det) > 1e-12 * scale)) {
    Ball best = ball3(a, b, c);
    for (const Ball& q : {ball3(a, b, d), ball3(a, c, d), ball3(b, c, d)})
      if (q.r2 > best.r2)
        best = q;
    return best;
  }
  const Vector3d o =
      (cross(ac, ad) * dot(ab, ab) + cross(ad, ab) * dot(ac, ac) + cross(ab, ac) * dot(ad, ad)) *
      (1.0 / det);
  return {a + o, dot(o, o)};
}
Vector3d sphereCentre(std::span<const Vector3d> p) {
  const auto out = [](const Ball& s, const Vector3d& q) {
    return dot(q - s.c, q - s.c) > s.r2 * (1.0 + 1e-12);
  };
  Ball s{p[0], 0.0};
  for (std::size_t i = 1; i < p.size(); ++i) {
    if (!out(s, p[i]))
      continue;
    s = {p[i], 0.0};
    for (std::size_t j = 0; j < i; ++j) {
      if (!out(s, p[j]))
        continue;
      s = ball2(p[i], p[j]);
      for (std::size_t k = 0; k < j; ++k) {
        if (!out(s, p[k]))
          continue;
        s = ball3(p[i], p[j], p[k]);
        for (std::size_t l = 0; l < k; ++l)
          if (out(s, p[l]))
            s = ball4(p[i], p[j], p[k], p[l]);
      }
    }
  }
  return s.c;
}

}  // namespace

Capsule capsuleAlong(std::span<const Vector3> points, const Vector3d& axis) {
  const CentredPoints all = centredShuffled(points);
  if (all.points.empty())
    return {};
  const VertexTree tree(all.points);
  const auto ends = segmentAlong(all, tree, nullptr, normalized(axis));
  return measured(points, ends[0], ends[1]);
}

Capsule minimumCapsule(std::span<const Vector3> points, std::span<const Vector3> hullVertices,
                       AxisSearchReport* report) {
  if (report)
    *report = {};
  const CentredPoints hull = centredShuffled(hullVertices);
  if (hull.points.empty())
    return {};
  // The sphere over the hull vertices bounds the search from the start; every point is
  // measured once, at the end, for both candidates together.
  const Vector3d centre = hull.centre + sphereCentre(hull.points);
  const std::array<Vector3d, 2> sphereEnds{centre, centre};
  const Capsule sphere = measured(hullVertices, centre, centre);
  const FlatShape shape = flatShape(hull);
  if (shape.kind == FlatShape::Point)
    return measured(points, centre, centre);
  if (shape.kind == FlatShape::Segment) {
    Projection proj;
    project(hull.points, shape.axis, proj);
    return smaller(
        points, {hull.centre + hull.points[proj.lowest], hull.centre + hull.points[proj.highest]},
        sphereEnds);
  }

  const double rho = hull.extent;
  const NormalCones cones = normalCones(hullVertices, hull);
  const VertexTree tree(hull.points);
  // What the search has settled on (the best local solve, its working sets and segment: the
  // sphere's before one) and the four best directions evaluated.
  struct Best {
    double value = INF;
    WorkingSets sets;
    std::array<Vector3d, 2> ends;
  };
  Best settled{sphere.volume, WorkingSets(), sphereEnds};
  std::vector<std::pair<double, Vector3d>> leaders;
  // A worker's scratch, and its own copy of the best: the last settle's, then its own solves'.
  struct Worker {
    Projection proj;
    std::vector<Pair> pairs;
    std::vector<std::size_t> highs, lows;
    Candidates lastSupport;  // the last cell's circle support, taken first by the next
    Best best;
    std::vector<std::pair<double, Vector3d>> solved;  // since the last settle, in order
  };
  std::array<Worker, 2> workers;
  for (Worker& w : workers)
    w.best = settled;
  const auto settle = [&] {
    for (Worker& w : workers) {
      if (w.best.value < settled.value)
        settled = w.best;
      for (const auto& found : w.solved) {
        leaders.push_back(found);
        std::sort(leaders.begin(), leaders.end(),
                  [](const auto& x, const auto& y) { return x.first < y.first; });
        if (leaders.size() > 4)
          leaders.pop_back();
      }
      w.solved.clear();
    }
    for (Worker& w : workers)
      w.best = settled;
  };
  const Estimator estimate = [&](std::size_t index, const Vector3d& u, double theta,
                                 const Candidates* parent, Candidates& own) {
    Worker& worker = workers[index];
    // References, not a structured binding: clang 14 cannot capture one in the lambdas below.
    Projection& proj = worker.proj;
    std::vector<Pair>& pairs = worker.pairs;
    std::vector<std::size_t>& highs = worker.highs;
    std::vector<std::size_t>& lows = worker.lows;
    Best& best = worker.best;
    capCandidates(cones, parent, hull.points.size(), u, theta, false, own);
    if (own.empty())
      for (std::size_t k = 0; k < hull.points.size(); ++k)
        own.push_back(static_cast<std::int32_t>(k));
    const Circle circle = rimCircle(hull, &own, u, proj, &worker.lastSupport);
    const View view(tree, u);
    // The pairs: the extremes along u, the vertices that bound the segment most for the
    // thinnest capsule (axis through the circle's centre, its radius) and, once solved, the
    // local solution's three highest and lowest cap vertices.
    highs.assign(1, view.highest);
    lows.assign(1, view.lowest);
    {
      Best3 high, low;
      view.offerEnds(high, low, circle.cx, circle.cy, circle.radius * circle.radius);
      highs.insert(highs.end(), high.index.begin(), high.index.begin() + high.count());
      lows.insert(lows.end(), low.index.begin(), low.index.begin() + low.count());
    }
    Vector3d support[3];
    for (int k = 0; k < circle.supportSize; ++k)
      support[k] = hull.points[static_cast<std::size_t>(circle.support[k])];
    const std::span<const Vector3d> s(support, static_cast<std::size_t>(circle.supportSize));
    const double r0 = circleRadiusLower(s, u, 0.0);
    const auto radiusLower = [&](double th) {
      return std::max(circleRadiusLower(s, u, th), r0 - th * rho);
    };
    const auto bound = [&](double th, const Certificate* cert = nullptr,
                           capsule_direction::LengthOracle* exact = nullptr) {
      pairs.clear();
      for (std::size_t i : highs)
        for (std::size_t j : lows) {
          const Vector3d d = hull.points[i] - hull.points[j];
          pairs.push_back({dotLower(d, u, th), projectedLengthLower(d, u, th)});
        }
      return capsule_direction::directionBound(radiusLower(th), pairs, cert, th, exact,
                                               exact ? best.value : INF) *
             (1.0 - 1e-12);
    };
    const double centre0 = bound(0.0);
    // A centre whose own bound leaves no room to beat the best capsule so far by a tenth of
    // the tolerance needs no local solve (what it could still win stays inside the gap).
    // Its value is then the best so far (the sphere's until a solve beats it), which the
    // search already holds with its own direction once a solve has found it.
    if (centre0 * (1.0 + 0.1 * TOLERANCE) >= best.value)
      return CellEstimate{best.value, bound(theta), centre0};
    const bool warm = !best.sets.rim.empty();
    AxisSolver solver(view, &own);
    const AxisFit local = solver.solve(circle, warm ? &best.sets : nullptr);
    const auto adopt = [&](const AxisFit& fit) {
      if (fit.volume < best.value)
        best = {fit.volume, WorkingSets(fit), segmentOf(hull, u, fit)};
    };
    adopt(local);
    worker.solved.push_back({local.volume, u});
    highs.insert(highs.end(), local.tops.begin(), local.tops.begin() + local.topCount);
    lows.insert(lows.end(), local.bottoms.begin(), local.bottoms.begin() + local.bottomCount);
    // The local solution's certificate bounds its own direction tightly, and tilted, the
    // cap; it is needed only where the pairs leave the cap below the target.
    const double pairCap = bound(theta);
    if (pairCap >= best.value / (1.0 + TOLERANCE))
      return CellEstimate{local.volume, pairCap, bound(0.0)};
    Certificate cert = certificateOf(view, local, circle, rho);
    double centreBound = bound(0.0, &cert);
    // A certificate well short of its own solution says the solve stalled (often on the warm
    // start's sets, from another direction); a cold solve may reach the optimum there.
    double value = local.volume;
    if (centreBound < 0.99 * local.volume && warm) {
      AxisSolver cold(view, &own);
      const AxisFit again = cold.solve(circle);
      adopt(again);
      value = std::min(value, again.volume);
      const Certificate other = certificateOf(view, again, circle, rho);
      const double otherBound = bound(0.0, &other);
      if (otherBound > centreBound) {
        cert = other;
        centreBound = otherBound;
      }
    }
    const double target = best.value / (1.0 + TOLERANCE);
    const auto tilted = [&](double centreValue) {
      return capsule_direction::tiltedBound(centreValue, theta, radiusLower(theta), rho,
                                            best.value);
    };
    double capBound = std::max({pairCap, bound(theta, &cert), tilted(centreBound)});
    // The exact solves pay where the local solution's weights leave the centre itself short
    // of its own capsule by over 5 % (their radius is not the optimum's, or the solve
    // stalled); nearer, what keeps the cap open is mostly the turn, which they do not help.
    // (At 1 % they also ran on a 1,000,000-point scan's cells, at 5 ms each, for no gain in
    // its gap; at 10 % the demo's clouds lost a third of their gain.)
    if (capBound >= target || centreBound >= 0.95 * value || !(cert.r > 0.0))
      return CellEstimate{value, capBound, centreBound};
    // Exact solves at the radii the bound asks about, where the local solution's weights left
    // the cap open: their multipliers are the optimum's at each radius, where the local
    // solution's are tight at its own radius only.
    ExactRadii exact(solver, circle, cert);
    centreBound = std::max(centreBound, bound(0.0, &cert, &exact));
    adopt(exact.best);
    value = std::min(value, exact.best.volume);
    capBound = std::max({capBound, bound(theta, &cert, &exact), tilted(centreBound)});
    return CellEstimate{value, capBound, centreBound};
  };
  const SearchResult best = searchDirections(estimate, settle, MAX_CELLS, true);
  if (report)
    *report = best.report;
  // The local solves make the value a rugged function of the direction where the bound has
  // left cells unsplit, so a compass search over the direction polishes the best ones found,
  // each start on its own (alternately on the two workers) and the first of the best kept.
  leaders.push_back({best.value, best.direction});
  std::vector<Vector3d> starts;
  for (const auto& leader : leaders) {
    // The search's best is usually a leader already: its polish would repeat that one.
    const Vector3d& u = leader.second;
    if (std::none_of(starts.begin(), starts.end(),
                     [&u](const Vector3d& v) { return v.x == u.x && v.y == u.y && v.z == u.z; }))
      starts.push_back(u);
  }
  std::vector<std::pair<double, Vector3d>> polishes(starts.size());
  WorkerPair(true).run([&](std::size_t worker) {
    for (std::size_t k = worker; k < starts.size(); k += 2) {
      const Vector3d start = starts[k];
      const PlaneFrame tangent = planeFrame(start);
      const auto turned = [&](double a, double b) {
        return normalized(start + tangent.e1 * a + tangent.e2 * b);
      };
      const auto volumeAt = [&](const Vector3d& u) {
        return solveAlong(hull, tree, &cones, u).volume;
      };
      double alpha = 0.0, beta = 0.0, value = volumeAt(start);
      // Down to a step of 1e-6 radians: below it the compass zig-zags along the valley for
      // three quarters of its solves and gains under 4e-7 of the volume (60 demo clouds),
      // the float radius's own rounding.
      for (double step = 0.02; step > 1e-6;) {
        bool moved = false;
        for (const auto& [da, db] :
             {std::pair{step, 0.0}, {-step, 0.0}, {0.0, step}, {0.0, -step}}) {
          const double v = volumeAt(turned(alpha + da, beta + db));
          if (v < value) {
            value = v;
            alpha += da;
            beta += db;
            moved = true;
            break;
          }
        }
        if (!moved)
          step *= 0.5;
      }
      polishes[k] = {value, turned(alpha, beta)};
    }
  });
  Vector3d polished = best.direction;
  double polishedValue = INF;
  for (const auto& [value, u] : polishes) {
    if (value < polishedValue) {
      polishedValue = value;
      polished = u;
    }
  }
  // The polish solves afresh, without the search's working sets, and can end above the best
  // solve of the search: the smaller of the two is kept.
  const auto ends =
      polishedValue < settled.value ? segmentAlong(hull, tree, &cones, polished) : settled.ends;
  const Capsule result = smaller(points, ends, sphereEnds);
  // The gap the search proved is for its own value; the capsule returned is measured in
  // floats and may differ from it, so the gap is restated for what is returned.
  if (report && best.value > 0.0 && std::isfinite(best.report.optimalityGap)) {
    const double lowest = best.value / (1.0 + best.report.optimalityGap);
    report->optimalityGap = std::max(0.0, result.volume / lowest - 1.0);
    report->complete = report->complete && report->optimalityGap <= TOLERANCE;
  }
  return result;
}
