// The box and the report bvdemo prints for a point set it fits at any scale, computed in the
// test's own process. Kept apart from the X11 headers, whose None macro clashes with
// Degeneracy::None.
#pragma once

#include <string>
#include <vector>

#include "bounds/box_fit.h"
#include "geometry/vector3.h"

// The facet-moment box of computeBoundingVolumes(points), as the report takes it.
OBB fittedBoxFor(const std::vector<Vector3>& points);
// writeBoxReport of that box.
std::string fittedReportFor(const std::vector<Vector3>& points);
