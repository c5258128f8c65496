// The four comparison volumes, each from its own module, one after the other.
#include "volumes/comparison_volumes.h"

#include "volumes/covariance_box.h"
#include "volumes/hull_graph.h"
#include "volumes/kdop.h"
#include "volumes/minimum_box.h"
#include "volumes/ritter_sphere.h"

ComparisonVolumes computeComparisonVolumes(std::span<const Vector3> points, const ConvexHull& hull,
                                           std::span<const BoxAxes> candidates,
                                           const StageCallback& onStage) {
  const auto stage = [&onStage](const char* name) {
    if (onStage)
      onStage(name);
  };
  ComparisonVolumes volumes;
  stage("minimum box");
  volumes.minimumBox =
      minimumVolumeBox(points, gatherHullGraph(hull), candidates, {}, &volumes.minimumBoxSearch);
  stage("point covariance box");
  volumes.pointCovarianceBox = pointCovarianceBox(points);
  stage("dop26");
  volumes.dop26 = computeKdop(points, 26);
  stage("ritter sphere");
  volumes.ritterSphere = ritterSphere(points);
  return volumes;
}

BoxAxes boxAxesOf(const OrientedBox& box) {
  return {Vector3d(box.axes[0]), Vector3d(box.axes[1]), Vector3d(box.axes[2])};
}
