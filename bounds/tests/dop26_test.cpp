// Tests of the 26-DOP: the fixed directions, offsets that hold and touch the points, and a
// polytope that lies between the hull and the axis-aligned box, with outward faces on their
// planes, its volume checked against Qhull's hull of its own corners.
#include "bounds/dop26.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "bounds/tests/volume_test_support.h"
#include "hull/tests/hull_test_support.h"
#include "hull/tests/qhull_run.h"

namespace {

// Volume of the convex hull of the points by Qhull, the independent reference.
double qhullVolume(const std::vector<Vector3d>& points) {
  QhullRun run(std::span<const Vector3d>(points), "qhull FA");  // FA: compute the total volume
  return run.status() == 0 ? run.context()->totvol : -1.0;
}

TEST(Dop26, DirectionsAreUnitPairedAndInTheDocumentedOrder) {
  for (int k = 0; k < DOP26_PLANES; ++k) {
    EXPECT_NEAR(length(dop26Direction(k)), 1.0, 1e-15);
    if (k % 2 == 1) {
      const Vector3d sum = dop26Direction(k) + dop26Direction(k - 1);
      EXPECT_EQ(sum.x == 0 && sum.y == 0 && sum.z == 0, true) << k;
    }
  }
  const double r2 = std::sqrt(0.5);
  const double r3 = 1 / std::sqrt(3.0);
  EXPECT_EQ(dop26Direction(2).y, 1.0);
  EXPECT_NEAR(dop26Direction(8).x, r2, 1e-15);  // (1, -1, 0)
  EXPECT_NEAR(dop26Direction(8).y, -r2, 1e-15);
  EXPECT_NEAR(dop26Direction(15).y, -r2, 1e-15);  // -(0, 1, 1)
  EXPECT_NEAR(dop26Direction(20).z, -r3, 1e-15);  // (1, 1, -1)
  EXPECT_NEAR(dop26Direction(25).y, r3, 1e-15);   // -(1, -1, -1)
}

struct Measured {
  std::vector<Vector3> points;
  Dop26 dop;
};

void expectPolytopeBetweenHullAndBox(const Measured& m) {
  const Dop26& dop = m.dop;
  double lo[3] = {INFINITY, INFINITY, INFINITY};
  double hi[3] = {-INFINITY, -INFINITY, -INFINITY};
  for (const Vector3& p : m.points) {
    for (int c = 0; c < 3; ++c) {
      lo[c] = std::min(lo[c], static_cast<double>(p[c]));
      hi[c] = std::max(hi[c], static_cast<double>(p[c]));
    }
  }
  double magnitude = 0.0;
  for (double offset : dop.offsets)
    magnitude = std::max(magnitude, std::fabs(offset));
  const double tolerance = 1e-10 * magnitude;
  // Offsets: every point inside, some point on each plane.
  for (int k = 0; k < DOP26_PLANES; ++k) {
    double reach = -INFINITY;
    for (const Vector3& p : m.points)
      reach = std::max(reach, dot(dop26Direction(k), Vector3d(p)));
    ASSERT_EQ(reach, dop.offsets[static_cast<std::size_t>(k)]) << "plane " << k;
  }
  // Corners inside every plane and inside the axis-aligned box.
  for (const Vector3d& v : dop.vertices) {
    for (int k = 0; k < DOP26_PLANES; ++k)
      ASSERT_LE(dot(dop26Direction(k), v), dop.offsets[static_cast<std::size_t>(k)] + tolerance);
    for (int c = 0; c < 3; ++c)
      ASSERT_TRUE(v[c] >= lo[c] - tolerance && v[c] <= hi[c] + tolerance);
  }
  // Faces: on their planes, wound outward, closing up (V - E + F = 2).
  std::set<std::pair<std::int32_t, std::int32_t>> edges;
  for (const Dop26Face& face : dop.faces) {
    Vector3d newell;
    for (std::size_t i = 0; i < face.loop.size(); ++i) {
      const Vector3d& p = dop.vertices[static_cast<std::size_t>(face.loop[i])];
      const Vector3d& q =
          dop.vertices[static_cast<std::size_t>(face.loop[(i + 1) % face.loop.size()])];
      ASSERT_NEAR(dot(dop26Direction(face.plane), p),
                  dop.offsets[static_cast<std::size_t>(face.plane)], tolerance);
      newell = newell + cross(p, q);
      edges.insert(std::minmax(face.loop[i], face.loop[(i + 1) % face.loop.size()]));
    }
    ASSERT_GT(dot(newell, dop26Direction(face.plane)), 0.0) << "face on plane " << face.plane;
  }
  EXPECT_EQ(dop.vertices.size() + dop.faces.size(), edges.size() + 2);
  // Volume between the hull's and the box's, and equal to the hull of its own corners.
  const double boxVolume = (hi[0] - lo[0]) * (hi[1] - lo[1]) * (hi[2] - lo[2]);
  std::vector<Vector3d> points;
  for (const Vector3& p : m.points)
    points.push_back(Vector3d(p));
  const double hullVolume = qhullVolume(points);
  EXPECT_LE(dop.volume, boxVolume * (1 + 1e-12));
  EXPECT_GE(dop.volume, hullVolume * (1 - 1e-9));
  EXPECT_NEAR(dop.volume / qhullVolume(dop.vertices), 1.0, 1e-9);
}

TEST(Dop26, PolytopeLiesBetweenTheHullAndTheAxisAlignedBoxAtEveryScale) {
  for (const double scale : {1e-3, 1.0, 1e3, 1e6}) {
    for (std::uint32_t seed = 1; seed <= 25; ++seed) {
      SCOPED_TRACE(hulltest::text("scale ", scale, " seed ", seed));
      Measured m;
      m.points = volumetest::transformed(hulltest::programCloud(seed),
                                         volumetest::Rotation::fromAngles(seed, 2 * seed, 0), scale,
                                         Vector3d(1, 4, -2) * (50 * scale));
      m.dop = dop26(m.points);
      expectPolytopeBetweenHullAndBox(m);
    }
  }
}

TEST(Dop26, CubeAndOctahedronAreTheirOwnDops) {
  std::vector<Vector3> cube;
  for (int i = 0; i < 8; ++i)
    cube.emplace_back(i & 1 ? 2.0f : -2.0f, i & 2 ? 2.0f : -2.0f, i & 4 ? 2.0f : -2.0f);
  const Dop26 c = dop26(cube);
  EXPECT_EQ(c.faces.size(), 6u);  // the diagonal planes only touch edges and corners
  EXPECT_EQ(c.vertices.size(), 8u);
  EXPECT_NEAR(c.volume, 64.0, 1e-12);
  const std::vector<Vector3> octahedron = {{3, 0, 0},  {-3, 0, 0}, {0, 3, 0},
                                           {0, -3, 0}, {0, 0, 3},  {0, 0, -3}};
  const Dop26 o = dop26(octahedron);
  EXPECT_EQ(o.faces.size(), 8u);
  EXPECT_EQ(o.vertices.size(), 6u);
  EXPECT_NEAR(o.volume, 4.0 / 3.0 * 27.0, 1e-12);
}

TEST(Dop26, FlatLinearAndSinglePointInputsHaveNoVolume) {
  std::vector<Vector3> flat;
  std::vector<Vector3> linear;
  for (const Vector3& p : hulltest::programCloud(4)) {
    flat.push_back({p.x, p.y, 5.0f});
    linear.push_back({p.x, 2 * p.x, -p.x});
  }
  const Dop26 f = dop26(flat);
  EXPECT_EQ(f.volume, 0.0);
  EXPECT_EQ(f.faces.size(), 2u);  // the polygon, seen from both sides
  EXPECT_EQ(dop26(linear).volume, 0.0);
  EXPECT_TRUE(dop26(linear).faces.empty());
  const Dop26 single = dop26(std::vector<Vector3>{{1, 2, 3}});
  EXPECT_TRUE(single.faces.empty() && single.vertices.empty());
  EXPECT_EQ(single.offsets[0], 1.0);
  EXPECT_TRUE(dop26({}).faces.empty());
}

}  // namespace
