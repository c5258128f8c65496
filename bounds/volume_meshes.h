// The fitted volumes as triangle meshes, for writing them out beside the model (bvfit
// --export). Pure geometry: one small builder per kind of volume, so a new volume is one
// more call in volumeMeshes.
//
// Contract (stated once, here):
// - Every mesh is convex, closed and wound counter-clockwise seen from outside (a volume of
//   zero thickness gives triangles of zero area, still closed).
// - Corners are computed in double and rounded to the nearest float; every volume is
//   grown first by a margin of four float steps of their coordinates' magnitude, so the mesh
//   holds every point its volume holds. Checked in float, or against planes through rounded
//   corners, what remains is CONTAINMENT_TOLERANCE of the volume's size, both ways: the
//   mesh's vertices lie in the volume (grown by the margin) and the volume's points in the mesh.
// - A sphere is circumscribed, never inscribed: a geodesic sphere (an icosahedron with every
//   triangle split into 256) pushed out until each triangle's plane is at least the radius
//   from the centre. So it holds the whole ball, and its vertices lie between the radius and
//   SPHERE_MESH_OUTER_RATIO times it (plus the margin) from the centre.
// - A k-DOP's mesh is its polytope's faces (volumes/kdop.h) fanned from their first
//   corner; the hull's is the exact hull of the points (hull/exact_hull.h), its vertices being
//   the extreme points in ascending index order; a shape without volume gives the hull's
//   triangles (the two sides of a flat one) or none.
// - volumeMeshes names them "hull", "facet-moment-box", "minimum-box", "axis-aligned-box",
//   "point-covariance-box", "corner-sphere", "minimal-sphere", "ritter-sphere", "dop26", then
//   the engines' volumes "capsule", "cylinder", "ellipsoid", "kdop6", "kdop14", "kdop18",
//   "reduced-hull-32", "reduced-hull-64", "reduced-hull-255", in that order. The names stay:
//   files written with them are read by scripts.
// - The ellipsoid is the affine image of the circumscribed geodesic sphere, the capsule the
//   hull of that polyhedron at both ends of its segment (radius pushed out the same way), the
//   cylinder a prism on a regular 256-gon whose sides touch its circle from outside; each is
//   grown by the margin and taken as the exact hull of its rounded corners. A reduced hull is
//   its faces fanned, grown as a k-DOP.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "bounds/bounding_volumes.h"
#include "geometry/triangle_mesh.h"
#include "geometry/vector3.h"

// How far out the sphere mesh's vertices reach, as a multiple of the radius.
inline constexpr double SPHERE_MESH_OUTER_RATIO = 1.0015;

TriangleMesh orientedBoxMesh(std::string name, const OrientedBox& box);
TriangleMesh axisAlignedBoxMesh(std::string name, const AxisAlignedBox& box);
TriangleMesh sphereMesh(std::string name, const Sphere& sphere);
TriangleMesh kdopMesh(std::string name, const Kdop& dop);
TriangleMesh hullMesh(std::string name, std::span<const Vector3> points);
TriangleMesh reducedHullMesh(std::string name, const ReducedHull& reduced);
TriangleMesh ellipsoidMesh(std::string name, const Ellipsoid& ellipsoid);
TriangleMesh capsuleMesh(std::string name, const Capsule& capsule);
TriangleMesh cylinderMesh(std::string name, const Cylinder& cylinder);

// Every volume of computeBoundingVolumes(points) as a mesh, in the order above.
std::vector<TriangleMesh> volumeMeshes(std::span<const Vector3> points,
                                       const BoundingVolumes& volumes);
