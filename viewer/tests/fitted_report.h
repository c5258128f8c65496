// The report bvdemo prints for a point set it fits at any scale, computed in the test's own
// process. Kept apart from the X11 headers, whose None macro clashes with Degeneracy::None.
#pragma once

#include <string>
#include <vector>

#include "geometry/vector3.h"

// writeBoxReport of the facet-moment box of computeBoundingVolumes(points).
std::string fittedReportFor(const std::vector<Vector3>& points);
