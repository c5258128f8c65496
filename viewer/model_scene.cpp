// A fitted point set and its volumes, moved into the normalised frame for drawing.
#include "viewer/model_scene.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "hull/exact_hull.h"
#include "hull/exact_hull_facets.h"

namespace {

float lengthToNormalised(const Normalisation& normalisation, float length) {
  return std::ldexp(length, -normalisation.exponent);
}

Sphere sphereToNormalised(const Normalisation& normalisation, const Sphere& sphere) {
  return Sphere{normalisation.toNormalised(sphere.center),
                lengthToNormalised(normalisation, sphere.radius)};
}

}  // namespace

OBB toOBB(const OrientedBox& box) {
  return OBB{box.center, box.halfLengths, {box.axes[0], box.axes[1], box.axes[2]}};
}

ModelScene modelScene(std::span<const Vector3> points, const BoundingVolumes& volumes,
                      std::span<const SurfaceTriangle> triangles) {
  const Normalisation& normalisation = volumes.normalisation;
  ModelScene scene;
  scene.points.reserve(points.size());
  for (const Vector3& p : points) {
    scene.points.push_back(normalisation.toNormalised(p));
  }
  // The layer indexes points with these; the loader checks them, but the scene does not
  // depend on it.
  std::copy_if(triangles.begin(), triangles.end(), std::back_inserter(scene.surface),
               [&](const SurfaceTriangle& t) {
                 return std::all_of(t.begin(), t.end(),
                                    [&](std::uint32_t i) { return i < points.size(); });
               });
  if (volumes.degeneracy == Degeneracy::None) {
    scene.hull = facetsOf(buildExactHull(points), scene.points);
  }
  scene.box = toOBB(volumes.facetMomentBox);
  scene.box.center = normalisation.toNormalised(scene.box.center);
  for (int k = 0; k < 3; ++k) {
    scene.box.halfLengths[k] = lengthToNormalised(normalisation, scene.box.halfLengths[k]);
  }
  scene.cornerSphere = sphereToNormalised(normalisation, volumes.cornerSphere);
  scene.minimalSphere = sphereToNormalised(normalisation, volumes.minimalSphere);
  return scene;
}

std::array<float, 3> heightColour(float t) {
  constexpr std::array<float, 3> stops[3] = {
      {0.1f, 0.3f, 0.9f}, {0.15f, 0.7f, 0.35f}, {0.95f, 0.55f, 0.1f}};
  t = std::clamp(t, 0.0f, 1.0f);
  const int low = t < 0.5f ? 0 : 1;
  const float along = t < 0.5f ? 2.0f * t : 2.0f * t - 1.0f;
  std::array<float, 3> colour{};
  for (std::size_t k = 0; k < 3; ++k) {
    const float a = stops[low][k];
    const float b = stops[low + 1][k];
    colour[k] = std::clamp(a + (b - a) * along, 0.0f, 1.0f);
  }
  return colour;
}

float heightFraction(float z, float low, float high) {
  if (!(high > low)) {
    return 0.5f;
  }
  return std::clamp((z - low) / (high - low), 0.0f, 1.0f);
}
