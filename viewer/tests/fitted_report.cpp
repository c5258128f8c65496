// The fitted report, through the same library calls as bvdemo's driver.
#include "viewer/tests/fitted_report.h"

#include <gtest/gtest.h>

#include <sstream>

#include "bounds/bounding_volumes.h"
#include "bounds/box_fit.h"
#include "viewer/model_scene.h"

OBB fittedBoxFor(const std::vector<Vector3>& points) {
  const BoundingVolumesResult fit =
      computeBoundingVolumes(points, StageCallback(), FitOptions{false});
  EXPECT_TRUE(fit.ok()) << fit.error;
  return toOBB(fit.volumes.facetMomentBox);
}

std::string fittedReportFor(const std::vector<Vector3>& points) {
  std::ostringstream report;
  writeBoxReport(report, fittedBoxFor(points));
  return report.str();
}
