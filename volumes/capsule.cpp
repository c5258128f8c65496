// The minimum-volume capsule: a local solve per axis direction on growing working sets,
// branch and bound over directions with the pair bound, and the smallest enclosing sphere
// (Welzl's construction, iterative) as a fallback (see capsule.h for the contract and bound).
#include "volumes/capsule.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "geometry/float_rounding.h"

using namespace axis_search;

namespace {

constexpr std::size_t MAX_CELLS = 2000;
constexpr double INF = std::numeric_limits<double>::infinity();

double capsuleVolume(double r, double length) {
  return PI * r * r * length + 4.0 / 3.0 * PI * r * r * r;
}

// The local solution for one direction, in the projection's frame.
struct AxisFit {
  double cx = 0, cy = 0, r = 0, s0 = 0, s1 = 0, volume = INF;
  std::array<std::size_t, 3> tops{}, bottoms{};
  int topCount = 0, bottomCount = 0;
};

// Keeps the three indices with the largest key (ascending keys for the lowest ones: negate).
struct Best3 {
  std::array<std::size_t, 3> index{};
  std::array<double, 3> key{-INF, -INF, -INF};
  void offer(std::size_t i, double k) {
    if (!(k > key[2]))
      return;
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

class AxisSolver {
 public:
  explicit AxisSolver(const Projection& p)
      : p_(p), inRim_(p.x.size()), inTop_(p.x.size()), inBottom_(p.x.size()) {}

  AxisFit solve(const Circle& circle) {
    const std::size_t n = p_.x.size();
    scale_ = std::max(circle.radius, 1e-12 * (p_.t[p_.highest] - p_.t[p_.lowest]));
    if (!(scale_ > 0.0))
      scale_ = 1.0;
    // Start sets: the circle's support and the extremes along the axis.
    for (int k = 0; k < circle.supportSize; ++k)
      add(rim_, inRim_, static_cast<std::size_t>(circle.support[k]));
    add(top_, inTop_, p_.highest);
    add(bottom_, inBottom_, p_.lowest);
    const double tm = 0.5 * (p_.t[p_.highest] + p_.t[p_.lowest]);
    double sphere2 = 0.0;
    for (std::size_t i = 0; i < n; ++i)
      sphere2 =
          std::max(sphere2, sq(p_.x[i] - circle.cx) + sq(p_.y[i] - circle.cy) + sq(p_.t[i] - tm));
    std::array<double, 3> x{circle.cx, circle.cy, startRadius(circle, std::sqrt(sphere2))};
    double step = 0.05 * scale_;
    AxisFit fit;
    for (int round = 0; round < 12; ++round) {
      x = patternSearch(x, step);
      fit = verify(x);
      if (!grew_)
        break;
      step = 0.01 * scale_;
    }
    return fit;
  }

 private:
  static double sq(double v) { return v * v; }

  static void add(std::vector<std::size_t>& set, std::vector<char>& in, std::size_t i) {
    if (!in[i]) {
      in[i] = 1;
      set.push_back(i);
    }
  }

  double d2(std::size_t i, double cx, double cy) const {
    return sq(p_.x[i] - cx) + sq(p_.y[i] - cy);
  }

  // The volume on the working sets, the radius raised to the farthest of them.
  double objective(const std::array<double, 3>& x) const {
    double far2 = 0.0;
    for (const auto* set : {&rim_, &top_, &bottom_})
      for (std::size_t i : *set)
        far2 = std::max(far2, d2(i, x[0], x[1]));
    const double r = std::max(x[2], std::sqrt(far2));
    double hi = -INF, lo = INF;
    for (std::size_t i : top_)
      hi = std::max(hi, p_.t[i] - std::sqrt(std::max(0.0, r * r - d2(i, x[0], x[1]))));
    for (std::size_t i : bottom_)
      lo = std::min(lo, p_.t[i] + std::sqrt(std::max(0.0, r * r - d2(i, x[0], x[1]))));
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

  // One pass over every hull vertex: the exact capsule for this (c, r) and the vertices the
  // working sets missed, added for the next round.
  AxisFit verify(const std::array<double, 3>& x) {
    const std::size_t n = p_.x.size();
    grew_ = false;
    double far2W = 0.0;
    for (const auto* set : {&rim_, &top_, &bottom_})
      for (std::size_t i : *set)
        far2W = std::max(far2W, d2(i, x[0], x[1]));
    const double rW = std::max(x[2], std::sqrt(far2W));
    Best3 far, high, low;
    for (std::size_t i = 0; i < n; ++i)
      far.offer(i, d2(i, x[0], x[1]));
    const double r = std::max(rW, std::sqrt(far.key[0]));
    for (int k = 0; k < far.count(); ++k)
      if (far.key[k] > rW * rW * (1.0 + 1e-12)) {
        add(rim_, inRim_, far.index[k]);
        grew_ = true;
      }
    double hiW = -INF, loW = INF;
    for (std::size_t i = 0; i < n; ++i) {
      const double w = std::sqrt(std::max(0.0, r * r - d2(i, x[0], x[1])));
      high.offer(i, p_.t[i] - w);
      low.offer(i, -(p_.t[i] + w));
      if (inTop_[i])
        hiW = std::max(hiW, p_.t[i] - w);
      if (inBottom_[i])
        loW = std::min(loW, p_.t[i] + w);
    }
    const double slack = 1e-12 * scale_;
    for (int k = 0; k < 3; ++k) {
      if (high.key[k] > hiW + slack && !inTop_[high.index[k]]) {
        add(top_, inTop_, high.index[k]);
        grew_ = true;
      }
      if (-low.key[k] < loW - slack && !inBottom_[low.index[k]]) {
        add(bottom_, inBottom_, low.index[k]);
        grew_ = true;
      }
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
    return fit;
  }

  const Projection& p_;
  std::vector<std::size_t> rim_, top_, bottom_;
  std::vector<char> inRim_, inTop_, inBottom_;
  double scale_ = 1.0;
  bool grew_ = false;
};

struct Pair {
  double dt;  // lower bound of t_i - t_j
  double d;   // lower bound of the projected distance
};

// min over r >= rLo of pi r^2 max(0, max_k (dt_k - 2 sqrt(r^2 - d_k^2 / 4))) + 4/3 pi r^3,
// bounded from below by intervals of r (see capsule.h).
double pairBound(double rLo, std::span<const Pair> pairs) {
  rLo = std::max(0.0, rLo);
  const auto length = [&](double r) {
    double l = 0.0;
    for (const Pair& q : pairs)
      l = std::max(l, q.dt - 2.0 * std::sqrt(std::max(0.0, r * r - 0.25 * q.d * q.d)));
    return l;
  };
  const double h0 = capsuleVolume(rLo, length(rLo));
  const double rTop = std::cbrt(3.0 * h0 / (4.0 * PI));
  if (!(rTop > rLo))
    return h0;
  struct Span {
    double a, b, bound;
  };
  std::vector<Span> spans;
  double upper = h0;
  const auto make = [&](double a, double b) {
    upper = std::min(upper, capsuleVolume(b, length(b)));
    return Span{a, b, PI * a * a * length(b) + 4.0 / 3.0 * PI * a * a * a};
  };
  constexpr int START = 16;
  for (int k = 0; k < START; ++k)
    spans.push_back(make(rLo + (rTop - rLo) * k / START, rLo + (rTop - rLo) * (k + 1) / START));
  for (int it = 0; it < 64; ++it) {
    const auto low = std::min_element(
        spans.begin(), spans.end(), [](const Span& s, const Span& t) { return s.bound < t.bound; });
    if (low->bound >= upper * (1.0 - 1e-7))
      break;
    const double a = low->a, b = low->b, m = 0.5 * (a + b);
    *low = make(a, m);
    spans.push_back(make(m, b));
  }
  double lowest = upper;
  for (const Span& s : spans)
    lowest = std::min(lowest, s.bound);
  return lowest;
}

// The capsule over all points for float ends, its radius rounded outward.
Capsule measured(std::span<const Vector3> points, const Vector3d& a, const Vector3d& b) {
  Capsule c{a.toFloat(), b.toFloat(), 0.0f, 0.0};
  const Vector3d fa(c.a), fb(c.b), ab = fb - fa;
  const double ab2 = dot(ab, ab);
  double r = 0.0;
  for (const Vector3& p : points) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
      continue;
    const Vector3d v = Vector3d(p) - fa;
    const double s = ab2 > 0.0 ? std::clamp(dot(v, ab) / ab2, 0.0, 1.0) : 0.0;
    r = std::max(r, length(v - ab * s));
  }
  c.radius = floatAbove(r);
  c.volume = capsuleVolume(c.radius, length(ab));
  return c;
}

// The segment of the local solution for direction u, in the input's frame.
std::array<Vector3d, 2> segmentAlong(const CentredPoints& hull, const Vector3d& u) {
  Projection proj;
  project(hull.points, u, proj);
  const Circle circle = smallestCircle(proj);
  AxisSolver solver(proj);
  const AxisFit fit = solver.solve(circle);
  const PlaneFrame f = planeFrame(u);
  const Vector3d base = hull.centre + f.e1 * fit.cx + f.e2 * fit.cy;
  return {base + u * fit.s0, base + u * fit.s1};
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
  const auto ends = segmentAlong(all, normalized(axis));
  return measured(points, ends[0], ends[1]);
}

Capsule minimumCapsule(std::span<const Vector3> points, std::span<const Vector3> hullVertices,
                       AxisSearchReport* report) {
  if (report)
    *report = {};
  const CentredPoints hull = centredShuffled(hullVertices);
  if (hull.points.empty())
    return {};
  const Vector3d centre = hull.centre + sphereCentre(hull.points);
  const Capsule sphere = measured(points, centre, centre);
  const FlatShape shape = flatShape(hull);
  if (shape.kind == FlatShape::Point)
    return sphere;
  if (shape.kind == FlatShape::Segment) {
    Projection proj;
    project(hull.points, shape.axis, proj);
    const Capsule line = measured(points, hull.centre + hull.points[proj.lowest],
                                  hull.centre + hull.points[proj.highest]);
    return line.volume <= sphere.volume ? line : sphere;
  }

  Projection proj;
  const double rho = hull.extent;
  std::vector<Pair> pairs;
  std::vector<std::size_t> highs, lows;
  double bestValue = sphere.volume;
  std::vector<std::pair<double, Vector3d>> leaders;  // the four best directions evaluated
  const Estimator estimate = [&](const Vector3d& u, double theta) {
    project(hull.points, u, proj);
    const Circle circle = smallestCircle(proj);
    // The pairs: the extremes along u, the vertices that bound the segment most for the
    // thinnest capsule (axis through the circle's centre, its radius) and, once solved, the
    // local solution's three highest and lowest cap vertices.
    highs.assign(1, proj.highest);
    lows.assign(1, proj.lowest);
    {
      Best3 high, low;
      const double r2 = circle.radius * circle.radius;
      for (std::size_t i = 0; i < proj.x.size(); ++i) {
        const double dx = proj.x[i] - circle.cx, dy = proj.y[i] - circle.cy;
        const double w = std::sqrt(std::max(0.0, r2 - dx * dx - dy * dy));
        high.offer(i, proj.t[i] - w);
        low.offer(i, -(proj.t[i] + w));
      }
      highs.insert(highs.end(), high.index.begin(), high.index.begin() + high.count());
      lows.insert(lows.end(), low.index.begin(), low.index.begin() + low.count());
    }
    Vector3d support[3];
    for (int k = 0; k < circle.supportSize; ++k)
      support[k] = hull.points[static_cast<std::size_t>(circle.support[k])];
    const std::span<const Vector3d> s(support, static_cast<std::size_t>(circle.supportSize));
    const double r0 = circleRadiusLower(s, u, 0.0);
    const auto bound = [&](double th) {
      pairs.clear();
      for (std::size_t i : highs)
        for (std::size_t j : lows) {
          const Vector3d d = hull.points[i] - hull.points[j];
          pairs.push_back({dotLower(d, u, th), projectedLengthLower(d, u, th)});
        }
      const double rLo = std::max(circleRadiusLower(s, u, th), r0 - th * rho);
      return pairBound(rLo, pairs) * (1.0 - 1e-12);
    };
    const double centre0 = bound(0.0);
    // A centre whose own bound cannot beat the best capsule so far needs no local solve.
    if (centre0 >= bestValue)
      return CellEstimate{INF, bound(theta), centre0};
    AxisSolver solver(proj);
    const AxisFit local = solver.solve(circle);
    bestValue = std::min(bestValue, local.volume);
    leaders.push_back({local.volume, u});
    std::sort(leaders.begin(), leaders.end(),
              [](const auto& x, const auto& y) { return x.first < y.first; });
    if (leaders.size() > 4)
      leaders.pop_back();
    highs.insert(highs.end(), local.tops.begin(), local.tops.begin() + local.topCount);
    lows.insert(lows.end(), local.bottoms.begin(), local.bottoms.begin() + local.bottomCount);
    return CellEstimate{local.volume, bound(theta), bound(0.0)};
  };
  const SearchResult best = searchDirections(estimate, {}, MAX_CELLS);
  if (report)
    *report = best.report;
  // The local solves make the value a rugged function of the direction where the bound has
  // left cells unsplit, so a compass search over the direction polishes the best one found.
  const auto volumeAt = [&](const Vector3d& u) {
    project(hull.points, u, proj);
    AxisSolver solver(proj);
    return solver.solve(smallestCircle(proj)).volume;
  };
  Vector3d polished = best.direction;
  double polishedValue = INF;
  leaders.push_back({best.value, best.direction});
  for (const auto& leader : leaders) {
    const Vector3d start = leader.second;
    const PlaneFrame tangent = planeFrame(start);
    const auto turned = [&](double a, double b) {
      return normalized(start + tangent.e1 * a + tangent.e2 * b);
    };
    double alpha = 0.0, beta = 0.0, value = volumeAt(start);
    for (double step = 0.02; step > 1e-7;) {
      bool moved = false;
      for (const auto& [da, db] : {std::pair{step, 0.0}, {-step, 0.0}, {0.0, step}, {0.0, -step}}) {
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
    if (value < polishedValue) {
      polishedValue = value;
      polished = turned(alpha, beta);
    }
  }
  const auto ends = segmentAlong(hull, polished);
  const Capsule found = measured(points, ends[0], ends[1]);
  return found.volume <= sphere.volume ? found : sphere;
}
