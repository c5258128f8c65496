// The engines' volumes as computeBoundingVolumes returns them: every input point inside each
// at every scale, the ellipsoid never larger than the minimal sphere beyond its accuracy, the
// reduced hulls between the hull and the minimum box, and the same volumes when they are
// fitted later, alone.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "bounds/bounding_volumes.h"
#include "hull/tests/hull_test_support.h"

namespace {

TEST(EngineVolumes, HoldEveryPointAndTheEllipsoidIsNoLargerThanTheMinimalSphere) {
  for (const double scale : {0x1p-20, 1.0, 0x1p20}) {
    for (std::uint32_t seed = 1; seed <= 8; ++seed) {
      SCOPED_TRACE(hulltest::text("scale ", scale, " seed ", seed));
      std::vector<Vector3> points;
      for (const Vector3& p : hulltest::floatCloud(seed, 200, seed % 2 == 0))
        points.push_back((Vector3d(p) * scale).toFloat());
      const BoundingVolumesResult fit = computeBoundingVolumes(points);
      ASSERT_TRUE(fit.ok());
      const EngineVolumes& engine = fit.volumes.engine;
      const Ellipsoid& e = engine.ellipsoid;
      EXPECT_LE(e.volume, sphereVolume(fit.volumes.minimalSphere) * (1 + e.accuracy + 1e-9));
      for (const Vector3& p : points) {
        double sum = 0;
        for (std::size_t k = 0; k < 3; ++k)
          sum += std::pow(dot(Vector3d(p) - e.center, e.axes[k]) / e.radii[k], 2);
        ASSERT_LE(sum, 1.0);
        for (const Kdop& dop : engine.kdops) {
          for (int i = 0; i < dop.k; ++i)
            ASSERT_LE(dot(kdopDirection(dop.k, i), Vector3d(p)),
                      dop.offsets[static_cast<std::size_t>(i)]);
        }
        for (const ReducedHull& reduced : engine.reducedHulls) {
          for (const ReducedHullFace& face : reduced.faces)
            ASSERT_LE(dot(face.normal, Vector3d(p)), face.offset);
        }
      }
      const EngineVolumes later =
          computeEngineVolumes(points, StageCallback(), &fit.volumes.comparison.minimumBox);
      EXPECT_EQ(later.capsule.volume, engine.capsule.volume);
      EXPECT_EQ(later.cylinder.volume, engine.cylinder.volume);
      EXPECT_EQ(later.ellipsoid.volume, engine.ellipsoid.volume);
      for (std::size_t i = 0; i < engine.kdops.size(); ++i)
        EXPECT_EQ(later.kdops[i].volume, engine.kdops[i].volume);
      for (std::size_t i = 0; i < engine.reducedHulls.size(); ++i) {
        EXPECT_EQ(later.reducedHulls[i].volume, engine.reducedHulls[i].volume);
        EXPECT_LE(engine.reducedHulls[i].vertices.size(),
                  static_cast<std::size_t>(REDUCED_HULL_SIZES[i]));
        EXPECT_GE(engine.reducedHulls[i].volume, fit.volumes.hull.volume * (1 - 1e-9));
        // Started from the minimum box's axes and only ever cut, never larger than that box.
        EXPECT_LE(engine.reducedHulls[i].volume,
                  fit.volumes.comparison.minimumBox.volume * (1 + 1e-6));
      }
    }
  }
}

}  // namespace
