// ModelScene: what the four display lists show for a point set fitted at any scale (a model
// file or a cloud of other than POINT_COUNT points), moved into its normalised frame.
//
// The camera, its near plane and the point markers were made for a scene within about 100
// units of the origin. A model may be a millimetre or a kilometre across, so its scene is
// drawn where computeBoundingVolumes normalised it (largest |coordinate| in [64, 128)): points
// and volumes go through the fit's Normalisation, lengths scale by 2^-exponent. The report
// stays in the model's units; only the picture is normalised. Scaling a model by 2^k gives
// the very same scene.
#pragma once

#include <span>
#include <vector>

#include "bounds/bounding_volumes.h"
#include "bounds/box_fit.h"
#include "bounds/minimal_sphere.h"
#include "geometry/vector3.h"
#include "hull/convex_hull.h"

struct ModelScene {
  std::vector<Vector3> points;  // every input point, normalised, in input order
  ConvexHull hull;              // the exact hull's faces at the normalised points; none for a
                                // degenerate shape
  OBB box;                      // the facet-moment box
  Sphere cornerSphere;          // plain radius
  Sphere minimalSphere;         // plain radius
};

// The box as fitBoxToHull's report and the box drawing take it (same centre, axes and
// half-lengths).
OBB toOBB(const OrientedBox& box);

// points: the ones volumes was computed from (computeBoundingVolumes succeeded on them).
// Builds the exact hull of the points and places its faces at the normalised points, unless
// volumes says the shape is degenerate: the flat or thin box shows the shape there.
ModelScene modelScene(std::span<const Vector3> points, const BoundingVolumes& volumes);
