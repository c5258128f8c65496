// Tests of the k-DOPs: the fixed directions, offsets that hold and touch the points, a
// polytope that lies between the hull and the axis-aligned box with outward faces on their
// planes (its volume checked against Qhull's hull of its own corners), and the nesting of
// the four.
#include "volumes/kdop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "hull/tests/hull_test_support.h"
#include "volumes/tests/volumes_test_support.h"

namespace {

using volumestest::qhullVolume;

TEST(Kdop, DirectionsAreUnitPairedAndInTheDocumentedOrder) {
  for (int k : KDOP_SIZES) {
    for (int i = 0; i < k; ++i) {
      EXPECT_NEAR(length(kdopDirection(k, i)), 1.0, 1e-15);
      if (i % 2 == 1) {
        const Vector3d sum = kdopDirection(k, i) + kdopDirection(k, i - 1);
        EXPECT_EQ(sum.x == 0 && sum.y == 0 && sum.z == 0, true) << k << " " << i;
      }
      // Every plane of a smaller k-DOP is one of the 26-DOP's, in the same order.
      int same = 0;
      for (int j = 0; j < 26; ++j)
        same += length(kdopDirection(26, j) - kdopDirection(k, i)) == 0 ? 1 : 0;
      EXPECT_EQ(same, 1);
    }
  }
  const double r2 = std::sqrt(0.5);
  const double r3 = 1 / std::sqrt(3.0);
  EXPECT_EQ(kdopDirection(26, 2).y, 1.0);
  EXPECT_NEAR(kdopDirection(26, 8).x, r2, 1e-15);  // (1, -1, 0)
  EXPECT_NEAR(kdopDirection(26, 8).y, -r2, 1e-15);
  EXPECT_NEAR(kdopDirection(26, 15).y, -r2, 1e-15);  // -(0, 1, 1)
  EXPECT_NEAR(kdopDirection(26, 20).z, -r3, 1e-15);  // (1, 1, -1)
  EXPECT_NEAR(kdopDirection(26, 25).y, r3, 1e-15);   // -(1, -1, -1)
  EXPECT_NEAR(kdopDirection(14, 6).z, r3, 1e-15);    // (1, 1, 1)
  EXPECT_NEAR(kdopDirection(18, 17).z, r2, 1e-15);   // -(0, 1, -1)
}

void expectPolytopeBetweenHullAndBox(const std::vector<Vector3>& points, const Kdop& dop) {
  double lo[3] = {INFINITY, INFINITY, INFINITY};
  double hi[3] = {-INFINITY, -INFINITY, -INFINITY};
  for (const Vector3& p : points) {
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
  for (int i = 0; i < dop.k; ++i) {
    double reach = -INFINITY;
    for (const Vector3& p : points)
      reach = std::max(reach, dot(kdopDirection(dop.k, i), Vector3d(p)));
    ASSERT_EQ(reach, dop.offsets[static_cast<std::size_t>(i)]) << "plane " << i;
  }
  // Corners inside every plane and inside the axis-aligned box.
  for (const Vector3d& v : dop.vertices) {
    for (int i = 0; i < dop.k; ++i)
      ASSERT_LE(dot(kdopDirection(dop.k, i), v),
                dop.offsets[static_cast<std::size_t>(i)] + tolerance);
    for (int c = 0; c < 3; ++c)
      ASSERT_TRUE(v[c] >= lo[c] - tolerance && v[c] <= hi[c] + tolerance);
  }
  // Faces: on their planes, wound outward, closing up (V - E + F = 2).
  std::set<std::pair<std::int32_t, std::int32_t>> edges;
  for (const KdopFace& face : dop.faces) {
    Vector3d newell;
    for (std::size_t i = 0; i < face.loop.size(); ++i) {
      const Vector3d& p = dop.vertices[static_cast<std::size_t>(face.loop[i])];
      const Vector3d& q =
          dop.vertices[static_cast<std::size_t>(face.loop[(i + 1) % face.loop.size()])];
      ASSERT_NEAR(dot(kdopDirection(dop.k, face.plane), p),
                  dop.offsets[static_cast<std::size_t>(face.plane)], tolerance);
      newell = newell + cross(p, q);
      edges.insert(std::minmax(face.loop[i], face.loop[(i + 1) % face.loop.size()]));
    }
    ASSERT_GT(dot(newell, kdopDirection(dop.k, face.plane)), 0.0) << "face on plane " << face.plane;
  }
  EXPECT_EQ(dop.vertices.size() + dop.faces.size(), edges.size() + 2);
  // Volume between the hull's and the box's, and equal to the hull of its own corners.
  const double boxVolume = (hi[0] - lo[0]) * (hi[1] - lo[1]) * (hi[2] - lo[2]);
  EXPECT_LE(dop.volume, boxVolume * (1 + 1e-12));
  EXPECT_GE(dop.volume, qhullVolume(points) * (1 - 1e-9));
  EXPECT_NEAR(dop.volume / qhullVolume(dop.vertices), 1.0, 1e-9);
}

// Every corner of the inner k-DOP within every plane of the outer one.
void expectInside(const Kdop& inner, const Kdop& outer) {
  const double tolerance =
      1e-10 *
      std::fabs(*std::max_element(outer.offsets.begin(), outer.offsets.end(),
                                  [](double a, double b) { return std::fabs(a) < std::fabs(b); }));
  for (const Vector3d& v : inner.vertices) {
    for (int i = 0; i < outer.k; ++i)
      ASSERT_LE(dot(kdopDirection(outer.k, i), v),
                outer.offsets[static_cast<std::size_t>(i)] + tolerance)
          << inner.k << " in " << outer.k << ", plane " << i;
  }
  EXPECT_LE(inner.volume, outer.volume * (1 + 1e-12));
}

TEST(Kdop, EachLiesBetweenTheHullAndTheBoxAndTheyNestAtEveryScale) {
  for (const double scale : {0x1p-20, 1.0, 0x1p20}) {
    for (std::uint32_t seed = 1; seed <= 24; ++seed) {
      SCOPED_TRACE(hulltest::text("scale ", scale, " seed ", seed));
      const std::vector<Vector3> points =
          seed % 3 == 0 ? volumestest::cloud(seed, scale, 20)
                        : volumestest::cloud(seed, scale, 40 + static_cast<int>(seed) * 5);
      std::vector<Kdop> dops;
      for (int k : KDOP_SIZES) {
        dops.push_back(computeKdop(points, k));
        expectPolytopeBetweenHullAndBox(points, dops.back());
      }
      expectInside(dops[3], dops[2]);  // 26 in 18
      expectInside(dops[2], dops[0]);  // 18 in 6
      expectInside(dops[3], dops[1]);  // 26 in 14
      expectInside(dops[1], dops[0]);  // 14 in 6
    }
  }
}

TEST(Kdop, CubeAndOctahedronAreTheirOwnDops) {
  std::vector<Vector3> cube;
  for (int i = 0; i < 8; ++i)
    cube.emplace_back(i & 1 ? 2.0f : -2.0f, i & 2 ? 2.0f : -2.0f, i & 4 ? 2.0f : -2.0f);
  const Kdop c = computeKdop(cube, 26);
  EXPECT_EQ(c.faces.size(), 6u);  // the diagonal planes only touch edges and corners
  EXPECT_EQ(c.vertices.size(), 8u);
  EXPECT_NEAR(c.volume, 64.0, 1e-12);
  const std::vector<Vector3> octahedron = {{3, 0, 0},  {-3, 0, 0}, {0, 3, 0},
                                           {0, -3, 0}, {0, 0, 3},  {0, 0, -3}};
  for (int k : {14, 26}) {
    const Kdop o = computeKdop(octahedron, k);
    EXPECT_EQ(o.faces.size(), 8u);
    EXPECT_EQ(o.vertices.size(), 6u);
    EXPECT_NEAR(o.volume, 4.0 / 3.0 * 27.0, 1e-12);
  }
  EXPECT_NEAR(computeKdop(octahedron, 18).volume, 54.0, 1e-12);  // |x| + |y| <= 3 and so on
}

TEST(Kdop, FlatLinearAndSinglePointInputsHaveNoVolume) {
  std::vector<Vector3> flat;
  std::vector<Vector3> linear;
  for (const Vector3& p : hulltest::programCloud(4)) {
    flat.push_back({p.x, p.y, 5.0f});
    linear.push_back({p.x, 2 * p.x, -p.x});
  }
  for (int k : KDOP_SIZES) {
    const Kdop f = computeKdop(flat, k);
    EXPECT_EQ(f.volume, 0.0);
    EXPECT_EQ(f.faces.size(), 2u);  // the polygon, seen from both sides
    if (k == 26) {  // the line's direction (1, 2, -1) is pinned by the diagonal planes
      EXPECT_EQ(computeKdop(linear, k).volume, 0.0);
      EXPECT_TRUE(computeKdop(linear, k).faces.empty());
    }
    const Kdop single = computeKdop(std::vector<Vector3>{{1, 2, 3}}, k);
    EXPECT_TRUE(single.faces.empty() && single.vertices.empty());
    EXPECT_EQ(single.offsets[0], 1.0);
    EXPECT_TRUE(computeKdop({}, k).faces.empty());
  }
}

}  // namespace
