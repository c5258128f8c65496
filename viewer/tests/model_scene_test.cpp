// The normalised scene of a fitted point set: where its points, volumes and comparison layers
// are drawn.
#include "viewer/model_scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "viewer/comparison_scene.h"

namespace {

using Cloud = std::vector<Vector3>;

// count points in a turned box of half sizes 1 : 0.6 : 0.3 (well separated box axes), scaled
// by scale and moved by offset.
Cloud cloudOf(std::uint32_t seed, int count, float scale, const Vector3& offset) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  const float c = std::cos(0.7f);
  const float s = std::sin(0.7f);
  Cloud cloud;
  for (int i = 0; i < count; ++i) {
    const Vector3 q{unit(rng), 0.6f * unit(rng), 0.3f * unit(rng)};
    cloud.push_back(Vector3{c * q.x - s * q.y, s * q.x + c * q.y, q.z} * scale + offset);
  }
  return cloud;
}

ModelScene sceneOf(const Cloud& cloud) {
  const BoundingVolumesResult fit =
      computeBoundingVolumes(cloud, StageCallback(), FitOptions{false});
  EXPECT_TRUE(fit.ok()) << fit.error;
  return modelScene(cloud, fit.volumes);
}

bool same(const Vector3& a, const Vector3& b) {
  return a.x == b.x && a.y == b.y && a.z == b.z;
}

TEST(ModelScene, ScalingAModelByAPowerOfTwoGivesTheVerySameScene) {
  for (std::uint32_t seed = 1; seed <= 10; ++seed) {
    const Cloud cloud = cloudOf(seed, 200, 1.0f, {3.0f, -1.0f, 0.5f});
    const ModelScene reference = sceneOf(cloud);
    for (int k = -20; k <= 20; k += 5) {
      Cloud scaled;
      for (const Vector3& p : cloud) {
        scaled.push_back({std::ldexp(p.x, k), std::ldexp(p.y, k), std::ldexp(p.z, k)});
      }
      const ModelScene scene = sceneOf(scaled);
      SCOPED_TRACE(testing::Message() << "seed " << seed << ", 2^" << k);
      ASSERT_EQ(scene.points.size(), reference.points.size());
      for (std::size_t i = 0; i < scene.points.size(); ++i) {
        ASSERT_TRUE(same(scene.points[i], reference.points[i])) << "point " << i;
      }
      EXPECT_EQ(scene.hull.facets.size(), reference.hull.facets.size());
      EXPECT_TRUE(same(scene.box.center, reference.box.center));
      EXPECT_TRUE(same(scene.box.halfLengths, reference.box.halfLengths));
      for (int axis = 0; axis < 3; ++axis) {
        EXPECT_TRUE(same(scene.box.axes[axis], reference.box.axes[axis]));
      }
      for (const auto member : {&ModelScene::cornerSphere, &ModelScene::minimalSphere}) {
        EXPECT_TRUE(same((scene.*member).center, (reference.*member).center));
        EXPECT_EQ((scene.*member).radius, (reference.*member).radius);
      }
    }
  }
}

// The scene with its comparison layers, as bvdemo draws a model.
TEST(ModelScene, AtEveryScaleTheSceneFitsTheCameraAndHoldsEveryPointInEveryLayer) {
  std::mt19937 rng(99);
  std::uniform_real_distribution<float> offset(-5.0f, 5.0f);
  for (const float scale : {1e-4f, 3e-2f, 1.0f, 70.0f, 1e4f, 1e6f, 1e8f}) {
    for (std::uint32_t seed = 1; seed <= 5; ++seed) {
      const Vector3 shift = Vector3{offset(rng), offset(rng), offset(rng)} * scale;
      const Cloud cloud = cloudOf(seed, 300, scale, shift);
      const BoundingVolumesResult fit =
          computeBoundingVolumes(cloud, StageCallback(), FitOptions{false});
      ASSERT_TRUE(fit.ok()) << fit.error;
      const ModelScene scene = modelScene(cloud, fit.volumes);
      const ComparisonScene more =
          comparisonScene(fit.volumes.comparison, fit.volumes.normalisation);
      SCOPED_TRACE(testing::Message() << "scale " << scale << ", seed " << seed);
      EXPECT_FALSE(scene.hull.facets.empty());
      // The drawn volumes are a few normalised units of rounding from exact; in a scene of
      // about a hundred units that is far below a pixel.
      const float slack = 1e-3f;
      float largest = 0.0f;
      for (const Vector3& p : scene.points) {
        for (const OBB* box : {&scene.box, &more.minimumBox, &more.axisAlignedBox}) {
          for (int k = 0; k < 3; ++k)
            ASSERT_LE(std::fabs(dot(p - box->center, box->axes[k])), box->halfLengths[k] + slack);
        }
        for (const Sphere* sphere : {&scene.cornerSphere, &scene.minimalSphere, &more.ritterSphere})
          ASSERT_LE(length(p - sphere->center), sphere->radius + slack);
        for (int k = 0; k < 3; ++k)
          largest = std::max(largest, std::fabs(p[k]));
      }
      EXPECT_GE(largest, 63.9f);
      EXPECT_LE(largest, 128.0f);
      // The box is no bigger than the points ask for: a corner sphere within the camera's
      // reach, 300 units away.
      EXPECT_LE(scene.cornerSphere.radius, 128.0f * std::sqrt(3.0f) + slack);
      // The 26-DOP lies in the axis-aligned box.
      for (const Vector3& v : more.dopVertices) {
        for (int k = 0; k < 3; ++k) {
          const OBB& box = more.axisAlignedBox;
          ASSERT_LE(std::abs(v[k] - box.center[k]), box.halfLengths[k] + slack);
        }
      }
    }
  }
}

TEST(ModelScene, TheSurfaceKeepsEveryFaceOverThePointsInOrderAndDropsTheRest) {
  std::mt19937 rng(5);
  const Cloud cloud = cloudOf(3, 40, 1.0f, {});
  const BoundingVolumesResult fit =
      computeBoundingVolumes(cloud, StageCallback(), FitOptions{false});
  ASSERT_TRUE(fit.ok()) << fit.error;
  std::uniform_int_distribution<std::uint32_t> index(0, 45);  // now and then past the points
  std::vector<SurfaceTriangle> faces(200);
  std::vector<SurfaceTriangle> kept;
  for (SurfaceTriangle& t : faces) {
    t = {index(rng), index(rng), index(rng)};
    if (t[0] < 40 && t[1] < 40 && t[2] < 40) {
      kept.push_back(t);
    }
  }
  EXPECT_EQ(modelScene(cloud, fit.volumes, faces).surface, kept);
  EXPECT_TRUE(modelScene(cloud, fit.volumes).surface.empty());
}

TEST(ModelScene, HeightColoursRunFromBlueToOrangeAndStayInRange) {
  std::array<float, 3> previous = heightColour(0.0f);
  EXPECT_GT(previous[2], previous[0]);  // blue at the bottom
  for (int i = -10; i <= 110; ++i) {
    const float t = static_cast<float>(i) / 100.0f;
    const std::array<float, 3> colour = heightColour(t);
    for (const float c : colour) {
      ASSERT_GE(c, 0.0f);
      ASSERT_LE(c, 1.0f);
    }
    // Red rises, blue falls: two heights never share a colour.
    ASSERT_GE(colour[0], previous[0]) << t;
    ASSERT_LE(colour[2], previous[2]) << t;
    if (i > 0 && i <= 100) {
      ASSERT_NE(colour, previous) << t;
    }
    previous = colour;
  }
  EXPECT_GT(previous[0], previous[2]);  // orange at the top
  EXPECT_EQ(heightFraction(3.0f, 2.0f, 6.0f), 0.25f);
  EXPECT_EQ(heightFraction(7.0f, 7.0f, 7.0f), 0.5f);
}

TEST(ModelScene, DegenerateShapesShowTheirPointsAndBoxWithoutAHull) {
  Cloud sheet;
  for (int i = 0; i < 50; ++i) {
    sheet.push_back({0.5f * static_cast<float>(i % 7), 0.25f * static_cast<float>(i / 7), 2.0f});
  }
  const Cloud segment{{1.0f, 1.0f, 1.0f}, {3.0f, 5.0f, 7.0f}, {2.0f, 3.0f, 4.0f}};
  const Cloud single{{1e6f, 2e6f, 3e6f}};
  for (const Cloud& cloud : {sheet, segment, single}) {
    const ModelScene scene = sceneOf(cloud);
    EXPECT_TRUE(scene.hull.facets.empty()) << cloud.size() << " points";
    EXPECT_EQ(scene.points.size(), cloud.size());
    for (int k = 0; k < 3; ++k) {
      EXPECT_TRUE(std::isfinite(scene.box.halfLengths[k]));
      EXPECT_TRUE(std::isfinite(scene.box.center[k]));
    }
    EXPECT_TRUE(std::isfinite(scene.minimalSphere.radius));
  }
}

}  // namespace
