// Tests of the minimum-volume ellipsoid: it holds every point at every scale, and its volume
// before the final pass lies between the lower bound and the grown ellipsoid of a plain
// Khachiyan iteration written out here (any weights certify both), so it is within its
// stated accuracy of the optimum; and degenerate inputs stay finite.
#include "volumes/ellipsoid.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "hull/tests/hull_test_support.h"
#include "volumes/tests/volumes_test_support.h"

namespace {

double worstSum(const Ellipsoid& e, const std::vector<Vector3>& points) {
  double worst = 0.0;
  for (const Vector3& p : points) {
    double sum = 0.0;
    for (std::size_t k = 0; k < 3; ++k) {
      const double offset = dot(Vector3d(p) - e.center, e.axes[k]);
      sum += e.radii[k] > 0 ? (offset / e.radii[k]) * (offset / e.radii[k])
                            : (offset == 0 ? 0.0 : INFINITY);
    }
    worst = std::max(worst, sum);
  }
  return worst;
}

struct Bounds {
  double lower = 0;  // no enclosing ellipsoid is smaller
  double upper = 0;  // an enclosing ellipsoid
};

// Plain Khachiyan (1996) on the lifted points, with the volume bounds its weights give.
Bounds plainKhachiyan(const std::vector<Vector3>& points, int steps) {
  Vector3d mean;
  for (const Vector3& p : points)
    mean = mean + Vector3d(p) * (1.0 / static_cast<double>(points.size()));
  std::vector<std::array<double, 4>> q;
  for (const Vector3& p : points) {
    const Vector3d d = Vector3d(p) - mean;
    q.push_back({d.x, d.y, d.z, 1.0});
  }
  std::vector<double> u(q.size(), 1.0 / static_cast<double>(q.size()));
  std::array<std::array<double, 4>, 4> inverse{};
  std::vector<double> m(q.size());
  for (int step = 0; step <= steps; ++step) {
    std::array<std::array<double, 8>, 4> a{};
    for (std::size_t i = 0; i < q.size(); ++i) {
      for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c)
          a[r][c] += u[i] * q[i][r] * q[i][c];
      }
    }
    for (int r = 0; r < 4; ++r)
      a[r][4 + r] = 1.0;
    for (int c = 0; c < 4; ++c) {
      int pivot = c;
      for (int r = c + 1; r < 4; ++r)
        pivot = std::fabs(a[r][c]) > std::fabs(a[pivot][c]) ? r : pivot;
      std::swap(a[c], a[pivot]);
      const double s = a[c][c];
      for (double& x : a[c])
        x /= s;
      for (int r = 0; r < 4; ++r) {
        const double f = a[r][c];
        for (int j = 0; r != c && j < 8; ++j)
          a[r][j] -= f * a[c][j];
      }
    }
    for (int r = 0; r < 4; ++r) {
      for (int c = 0; c < 4; ++c)
        inverse[r][c] = a[r][4 + c];
    }
    std::size_t j = 0;
    for (std::size_t i = 0; i < q.size(); ++i) {
      m[i] = 0;
      for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c)
          m[i] += q[i][r] * inverse[r][c] * q[i][c];
      }
      j = m[i] > m[j] ? i : j;
    }
    if (step == steps) {
      // det of the lifted moments is det Sigma(u); 1 / det(inverse) the same.
      const double tau = (m[j] - 4.0) / (4.0 * (m[j] - 1.0));
      (void)tau;
      break;
    }
    const double tau = (m[j] - 4.0) / (4.0 * (m[j] - 1.0));
    for (double& w : u)
      w *= 1.0 - tau;
    u[j] += tau;
  }
  // Sigma(u) from the weights, its determinant by the triple product.
  Vector3d c;
  for (std::size_t i = 0; i < q.size(); ++i)
    c = c + Vector3d(q[i][0], q[i][1], q[i][2]) * u[i];
  Vector3d rows[3];
  for (std::size_t i = 0; i < q.size(); ++i) {
    const Vector3d d = Vector3d(q[i][0], q[i][1], q[i][2]) - c;
    rows[0] = rows[0] + d * (u[i] * d.x);
    rows[1] = rows[1] + d * (u[i] * d.y);
    rows[2] = rows[2] + d * (u[i] * d.z);
  }
  const double det = dot(rows[0], cross(rows[1], rows[2]));
  double worst = 0;
  for (double mi : m)
    worst = std::max(worst, mi - 1.0);
  const double unit = 4.0 / 3.0 * std::numbers::pi;
  return {unit * std::sqrt(27.0 * det), unit * std::sqrt(det * worst * worst * worst)};
}

TEST(Ellipsoid, HoldsEveryPointAndIsWithinItsAccuracyOfTheOptimumAtEveryScale) {
  for (const double scale : {0x1p-20, 1.0, 0x1p20}) {
    for (std::uint32_t seed = 1; seed <= 24; ++seed) {
      SCOPED_TRACE(hulltest::text("scale ", scale, " seed ", seed));
      const std::vector<Vector3> points = volumestest::cloud(seed, scale, 60);
      const Ellipsoid e = minimumVolumeEllipsoid(points, buildExactHull(points));
      EXPECT_LE(worstSum(e, points), 1.0);
      EXPECT_LE(e.accuracy, 5 * ELLIPSOID_ACCURACY);  // the barrier stalls just above 1e-6
      EXPECT_EQ(e.dimension, 3);
      EXPECT_NEAR(dot(e.axes[0], cross(e.axes[1], e.axes[2])), 1.0, 1e-12);
      EXPECT_NEAR(e.volume / e.volumeBeforeRescale, 1.0, 1e-9);
      const Bounds plain = plainKhachiyan(points, 3000);
      EXPECT_LE(plain.upper / plain.lower, 1.05);  // the reference is meaningful
      EXPECT_GE(e.volumeBeforeRescale, plain.lower * (1 - 1e-12));
      EXPECT_LE(e.volumeBeforeRescale, plain.upper * (1 + e.accuracy + 1e-12));
    }
  }
}

TEST(Ellipsoid, KnownOptimaAndDegenerateInputs) {
  // A box's corners: the box grown by sqrt 3; an octahedron's: its circumscribed sphere.
  std::vector<Vector3> box;
  for (int i = 0; i < 8; ++i)
    box.emplace_back(i & 1 ? 4.0f : -4.0f, i & 2 ? 2.0f : -2.0f, i & 4 ? 1.0f : -1.0f);
  const double boxOptimum = 4.0 / 3.0 * std::numbers::pi * 8.0 * std::pow(3.0, 1.5);
  EXPECT_NEAR(minimumVolumeEllipsoid(box, buildExactHull(box)).volume / boxOptimum, 1.0, 2e-6);
  const std::vector<Vector3> octahedron = {{3, 0, 0},  {-3, 0, 0}, {0, 3, 0},
                                           {0, -3, 0}, {0, 0, 3},  {0, 0, -3}};
  EXPECT_NEAR(minimumVolumeEllipsoid(octahedron, buildExactHull(octahedron)).volume /
                  (4.0 / 3.0 * std::numbers::pi * 27.0),
              1.0, 2e-6);
  // Flat (tilted and axis-aligned), linear, two points, one point: finite, holding them all.
  std::vector<Vector3> tilted;
  std::vector<Vector3> level;
  std::vector<Vector3> line;
  for (const Vector3& p : hulltest::programCloud(9)) {
    tilted.push_back({p.x, p.y, 0.5f * p.x - 0.25f * p.y});
    level.push_back({p.x, p.y, 5.0f});
    line.push_back({p.x, 2 * p.x + 1e6f, -p.x});
  }
  const std::vector<std::vector<Vector3>> awkward = {
      tilted, level, line, {{1, 2, 3}, {1, 2, 3}}, {{1e30f, 0, 0}, {-1e30f, 1, 0}}, {{7, 7, 7}}};
  for (const std::vector<Vector3>& points : awkward) {
    const Ellipsoid e = minimumVolumeEllipsoid(points, buildExactHull(points));
    EXPECT_LE(worstSum(e, points), 1.0);
    EXPECT_TRUE(std::isfinite(e.volume) && std::isfinite(e.center.x) && std::isfinite(e.radii[2]));
    EXPECT_LE(e.volume, 1e-6 * std::pow(e.radii[2], 3));  // no volume to speak of
  }
  EXPECT_TRUE(minimumVolumeEllipsoid({}, ExactHull()).volume == 0.0);
}

}  // namespace

namespace {

// Many hull vertices (the barrier then starts on an active set): points on an ellipsoid, on a
// lumpy closed surface like a scan's, and on a flat ring, turned; every certificate is still
// measured over every vertex, so the same bounds must hold.
TEST(Ellipsoid, LargeHullsKeepTheCertificate) {
  std::mt19937 rng(5);
  std::normal_distribution<double> normal;
  const auto turned = [](const Vector3d& p) {
    return Vector3(static_cast<float>(0.8 * p.x - 0.6 * p.y + 3.0),
                   static_cast<float>(0.6 * p.x + 0.8 * p.y - 1.0), static_cast<float>(p.z + 2.0));
  };
  std::vector<std::vector<Vector3>> clouds(3);
  for (int i = 0; i < 3000; ++i) {
    const Vector3d d = normalized(Vector3d(normal(rng), normal(rng), normal(rng)));
    clouds[0].push_back(turned(Vector3d(4.0 * d.x, 2.0 * d.y, 1.0 * d.z)));
    const double lump = 1.0 + 0.2 * std::sin(3.0 * d.x) * std::cos(2.0 * d.y) + 0.1 * d.z * d.z;
    clouds[1].push_back(turned(Vector3d(3.0 * d.x, 2.0 * d.y, 1.5 * d.z) * lump));
    const double a = 2.0 * std::numbers::pi * i / 3000.0;
    clouds[2].push_back(turned(Vector3d(5.0 * std::cos(a), 2.0 * std::sin(a), 0.0)));
  }
  for (std::size_t k = 0; k < clouds.size(); ++k) {
    SCOPED_TRACE(hulltest::text("cloud ", k));
    const std::vector<Vector3>& points = clouds[k];
    const ExactHull hull = buildExactHull(points);
    ASSERT_GT(hull.vertices.size(), 1000u);
    const Ellipsoid e = minimumVolumeEllipsoid(points, hull);
    EXPECT_LE(worstSum(e, points), 1.0);
    const Ellipsoid again = minimumVolumeEllipsoid(points, hull);
    EXPECT_EQ(e.volume, again.volume);
    EXPECT_EQ(e.center.x, again.center.x);
    // The active set is chosen in the hull's own scaled coordinates, so a power of two scales
    // every length exactly.
    std::vector<Vector3> scaled;
    for (const Vector3& p : points)
      scaled.push_back({std::ldexp(p.x, 10), std::ldexp(p.y, 10), std::ldexp(p.z, 10)});
    const Ellipsoid big = minimumVolumeEllipsoid(scaled, buildExactHull(scaled));
    for (std::size_t a = 0; a < 3; ++a)
      EXPECT_EQ(big.radii[a], std::ldexp(e.radii[a], 10));
    EXPECT_EQ(big.center.y, std::ldexp(e.center.y, 10));
    if (k == 2) {  // flat: the ring's ellipse, nothing across it
      EXPECT_EQ(e.dimension, 2);
      EXPECT_TRUE(std::isfinite(e.volume));
      continue;
    }
    EXPECT_LE(e.accuracy, 5 * ELLIPSOID_ACCURACY);
    const Bounds plain = plainKhachiyan(points, 3000);
    EXPECT_LE(plain.upper / plain.lower, 1.05);
    EXPECT_GE(e.volumeBeforeRescale, plain.lower * (1 - 1e-12));
    EXPECT_LE(e.volumeBeforeRescale, plain.upper * (1 + e.accuracy + 1e-12));
  }
}

}  // namespace
