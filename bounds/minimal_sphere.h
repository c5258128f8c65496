// Minimal enclosing sphere of a point set, randomised incremental with support sets.
#pragma once

#include "geometry/vector3.h"
#include "hull/convex_hull.h"

struct Sphere {
  Vector3 center = Vector3::ZERO;
  float radius = 1.0f;  // while a fit is in progress: the squared radius
};

inline constexpr float SPHERE_EPSILON = 0.001f;
extern const float SPHERE_CONTAINMENT_SCALE;

// Minimal enclosing sphere of n points (plain radius).
Sphere minimalSphere(const Vector3* points, int n);
// Gathers every stored vertex of every facet, in list order, and fits the sphere to them.
void fitSphereToHull(const ConvexHull& hull, Sphere& sphere);
