// Tests of one direction's capsule bounds: never above a capsule found by brute force over
// the axis and radius (for the centre direction, and tilted over a cap), and the certificate
// tight where the ends rest on many points, where the pairs are not.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "volumes/axis_search.h"
#include "volumes/capsule_direction.h"

using capsule_direction::Site;

namespace {

constexpr double PI = axis_search::PI;

double volume(double r, double length) {
  return PI * r * r * length + 4.0 / 3.0 * PI * r * r * r;
}

// The points seen along u, with the smallest circle of their projections.
struct Seen {
  std::vector<Site> sites, support;
  double x = 0.0, y = 0.0, r = 0.0;
};
Seen seenAlong(const std::vector<Vector3d>& points, const Vector3d& u) {
  axis_search::Projection p;
  axis_search::project(points, u, p);
  Seen out;
  for (std::size_t k = 0; k < p.t.size(); ++k)
    out.sites.push_back({p.x[k], p.y[k], p.t[k]});
  const axis_search::Circle c = axis_search::smallestCircle(p);
  for (int k = 0; k < c.supportSize; ++k)
    out.support.push_back(out.sites[static_cast<std::size_t>(c.support[k])]);
  out.x = c.cx;
  out.y = c.cy;
  out.r = c.radius;
  return out;
}

// The shortest segment for the axis (x, y) and radius r, infinite where a site is outside.
double lengthAt(const std::vector<Site>& s, double x, double y, double r) {
  double hi = -INFINITY, lo = INFINITY;
  for (const Site& q : s) {
    const double w2 = r * r - (q.x - x) * (q.x - x) - (q.y - y) * (q.y - y);
    if (w2 < 0.0)
      return INFINITY;
    hi = std::max(hi, q.t - std::sqrt(w2));
    lo = std::min(lo, q.t + std::sqrt(w2));
  }
  return std::max(0.0, hi - lo);
}

struct Solved {
  double x, y, r, volume;
};
// The best capsule of the direction by brute force: radii on a fine grid from the smallest
// circle's, the axis for each by a shrinking grid (the length is convex in the axis).
Solved bruteForce(const Seen& c) {
  const std::vector<Site>& s = c.sites;
  Solved best{c.x, c.y, c.r, INFINITY};
  for (int k = 0; k <= 80; ++k) {
    const double r = c.r * (1.0 + 1e-9 + 0.8 * k / 80.0);
    double bx = c.x, by = c.y, bl = lengthAt(s, bx, by, r);
    for (double h = 0.5 * r; h > 1e-9 * r; h *= 0.6) {
      const double x0 = bx, y0 = by;
      for (int i = -4; i <= 4; ++i)
        for (int j = -4; j <= 4; ++j) {
          const double l = lengthAt(s, x0 + i * h / 4, y0 + j * h / 4, r);
          if (l < bl) {
            bl = l;
            bx = x0 + i * h / 4;
            by = y0 + j * h / 4;
          }
        }
    }
    if (volume(r, bl) < best.volume)
      best = {bx, by, r, volume(r, bl)};
  }
  return best;
}

// The certificate of the solution (x, y, r): its three highest tops, lowest bottoms and
// farthest rim sites.
capsule_direction::Certificate certificateAt(const Seen& seen, const Solved& at, double scale) {
  std::array<std::vector<std::pair<double, Site>>, 3> keyed;
  for (const Site& q : seen.sites) {
    const double d2 = (q.x - at.x) * (q.x - at.x) + (q.y - at.y) * (q.y - at.y);
    const double w = std::sqrt(std::max(0.0, at.r * at.r - d2));
    keyed[0].push_back({q.t - w, q});
    keyed[1].push_back({-(q.t + w), q});
    keyed[2].push_back({d2, q});
  }
  std::array<std::vector<Site>, 3> best;
  for (int k = 0; k < 3; ++k) {
    std::sort(keyed[k].begin(), keyed[k].end(),
              [](const auto& a, const auto& b) { return a.first > b.first; });
    for (std::size_t i = 0; i < std::min<std::size_t>(3, keyed[k].size()); ++i)
      best[k].push_back(keyed[k][i].second);
  }
  return capsule_direction::certificate(best[0], best[1], best[2], seen.support, at.x, at.y, at.r,
                                        scale);
}

// The pair bound's terms of every two sites, exact for the direction itself.
std::vector<capsule_direction::Pair> allPairs(const std::vector<Site>& s) {
  std::vector<capsule_direction::Pair> out;
  for (const Site& a : s)
    for (const Site& b : s)
      out.push_back({a.t - b.t, std::hypot(a.x - b.x, a.y - b.y)});
  return out;
}

Vector3d randomUnit(std::mt19937& rng) {
  std::normal_distribution<double> n(0.0, 1.0);
  return normalized(Vector3d(n(rng), n(rng), n(rng)));
}

}  // namespace

TEST(CapsuleDirection, BoundsNeverExceedABruteForceCapsuleOfTheDirectionOrOfTheCap) {
  int closeToOptimum = 0;
  for (std::uint32_t seed = 0; seed < 24; ++seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> coord(-1.0, 1.0);
    const Vector3d stretch(1.0 + 2.0 * (seed % 3), 1.0, 0.5 + 0.25 * (seed % 4));
    std::vector<Vector3d> points(9);
    for (Vector3d& p : points)
      p = Vector3d(coord(rng) * stretch.x, coord(rng) * stretch.y, coord(rng) * stretch.z);
    double rho = 0.0;
    for (const Vector3d& p : points)
      rho = std::max(rho, length(p));
    const Vector3d u0 = randomUnit(rng);
    const Seen seen = seenAlong(points, u0);
    const Solved solved = bruteForce(seen);
    // Any axis gives valid weights; the solution's give the tight ones.
    const Solved elsewhere{seen.x, seen.y, seen.r * 1.1, 0.0};
    const auto pairs = allPairs(seen.sites);
    double centre = 0.0;
    for (const Solved& at : {solved, elsewhere}) {
      const auto cert = certificateAt(seen, at, rho);
      const double bound = capsule_direction::directionBound(seen.r, pairs, &cert);
      EXPECT_LE(bound, solved.volume * (1.0 + 1e-9)) << "seed " << seed;
      centre = std::max(centre, bound);
    }
    closeToOptimum += centre >= 0.99 * solved.volume;
    // Tilted: every direction within theta of u0.
    const double theta = (seed % 2 ? 0.002 : 0.02) + 0.01 * (seed % 5);
    const auto cert = certificateAt(seen, solved, rho);
    for (int k = 0; k < 4; ++k) {
      const axis_search::PlaneFrame f = axis_search::planeFrame(u0);
      const double a = 2.0 * PI * k / 4.0 + seed;
      const Vector3d u = normalized(u0 * std::cos(theta) +
                                    (f.e1 * std::cos(a) + f.e2 * std::sin(a)) * std::sin(theta));
      const Seen su = seenAlong(points, u);
      const double tilted = capsule_direction::tiltedBound(centre, theta, su.r, rho, INFINITY);
      const double turned = capsule_direction::directionBound(su.r, {}, &cert, theta);
      const double brute = bruteForce(su).volume * (1.0 + 1e-9);
      EXPECT_LE(tilted, brute) << "seed " << seed;
      EXPECT_LE(turned, brute) << "seed " << seed;
    }
  }
  // Not a guarantee (the weights are fixed at one radius, and a ball-shaped optimum is not
  // seen by either bound), but most directions are bounded within a per cent.
  EXPECT_GE(closeToOptimum, 12);
}

TEST(CapsuleDirection, CertificateIsTightWhereEndsRestOnManyPoints) {
  // Points on the surface of the capsule of radius 1 and segment z in [-1, 1], with three
  // points of each cap 120 degrees apart: every cap point is an end, and the capsule itself
  // is the optimum along z.
  std::vector<Vector3d> points;
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int k = 0; k < 3; ++k)
    for (const double side : {1.0, -1.0}) {
      const double a = 2.0 * PI * k / 3.0 + (side > 0 ? 0.0 : 0.5), polar = 0.6;
      points.push_back(Vector3d(std::sin(polar) * std::cos(a), std::sin(polar) * std::sin(a),
                                side * (1.0 + std::cos(polar))));
    }
  for (int k = 0; k < 40; ++k) {
    const double a = 2.0 * PI * unit(rng), z = 2.0 * unit(rng) - 1.0;
    points.push_back(Vector3d(std::cos(a), std::sin(a), z));
  }
  const Vector3d u(0.0, 0.0, 1.0);
  const Seen seen = seenAlong(points, u);
  const double exact = volume(1.0, 2.0);
  const auto pairs = allPairs(seen.sites);
  const auto cert = certificateAt(seen, Solved{0.0, 0.0, 1.0, exact}, 3.0);
  ASSERT_TRUE(cert.valid);
  const double withPairs = capsule_direction::directionBound(seen.r, pairs);
  const double withCert = capsule_direction::directionBound(seen.r, pairs, &cert);
  EXPECT_LT(withPairs, exact * 0.995);
  EXPECT_LE(withCert, exact * (1.0 + 1e-9));
  // Within the search's tolerance (the weights are exact at the radius 1 only, so the bound
  // falls a little at larger radii), where the pairs miss it by far.
  EXPECT_GE(withCert, exact * (1.0 - 1e-4));
}
