// A fitted point set and its volumes, moved into the normalised frame for drawing.
#include "viewer/model_scene.h"

#include <cmath>

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

ModelScene modelScene(std::span<const Vector3> points, const BoundingVolumes& volumes) {
  const Normalisation& normalisation = volumes.normalisation;
  ModelScene scene;
  scene.points.reserve(points.size());
  for (const Vector3& p : points) {
    scene.points.push_back(normalisation.toNormalised(p));
  }
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
