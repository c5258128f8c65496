// ModelScene: what the four display lists show for a point set fitted at any scale (a model
// file or a cloud of other than POINT_COUNT points), moved into its normalised frame.
//
// The camera, its near plane and the point markers were made for a scene within about 100
// units of the origin. A model may be a millimetre or a kilometre across, so its scene is
// drawn where computeBoundingVolumes normalised it (largest |coordinate| in [64, 128)): points
// and volumes go through the fit's Normalisation, lengths scale by 2^-exponent. The report
// stays in the model's units; only the picture is normalised. Scaling a model by 2^k gives
// the very same scene.
//
// The model itself is drawn on a layer of its own (model_layer.h): its faces over the
// normalised points when it has any, else the points as dots coloured by height. The
// colours that layer uses are here, where they can be tested without a window.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "bounds/bounding_volumes.h"
#include "bounds/box_fit.h"
#include "bounds/minimal_sphere.h"
#include "geometry/vector3.h"
#include "hull/convex_hull.h"

// Three indices into ModelScene::points (the loader's Triangle).
using SurfaceTriangle = std::array<std::uint32_t, 3>;

struct ModelScene {
  std::vector<Vector3> points;           // every input point, normalised, in input order
  std::vector<SurfaceTriangle> surface;  // the model's faces over points; none for a cloud
  ConvexHull hull;       // the exact hull's faces at the normalised points; none for a
                         // degenerate shape
  OBB box;               // the facet-moment box
  Sphere cornerSphere;   // plain radius
  Sphere minimalSphere;  // plain radius
};

// The box as fitBoxToHull's report and the box drawing take it (same centre, axes and
// half-lengths).
OBB toOBB(const OrientedBox& box);

// points: the ones volumes was computed from (computeBoundingVolumes succeeded on them).
// Builds the exact hull of the points and places its faces at the normalised points, unless
// volumes says the shape is degenerate: the flat or thin box shows the shape there.
// triangles: the model's faces over points; one with an index past the points is left out.
ModelScene modelScene(std::span<const Vector3> points, const BoundingVolumes& volumes,
                      std::span<const SurfaceTriangle> triangles = {});

// The surface's one colour (opaque; the light shades it) and the model hull's colours.
inline constexpr std::array<float, 3> SURFACE_COLOUR = {0.85f, 0.6f, 0.3f};
inline constexpr std::array<float, 3> MODEL_HULL_COLOUR = {0.3f, 0.45f, 0.75f};

// The colour of a dot at height t in [0, 1] of the cloud's z range (clamped outside it): blue
// at the bottom through green to orange at the top, each channel in [0, 1].
std::array<float, 3> heightColour(float t);
// Where z lies in [low, high] as a fraction (0.5 when the range is empty, as in a flat cloud).
float heightFraction(float z, float low, float high);
