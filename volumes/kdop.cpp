// Offsets in one pass; the polytope by clipping the axis box with each further plane
// (volumes/polytope_clip.h), the same steps for every k, so the 26-DOP is the one the demo
// has always drawn.
#include "volumes/kdop.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int AXES[13][3] = {{1, 0, 0},  {0, 1, 0},  {0, 0, 1},  {1, 1, 0},  {1, -1, 0},
                             {1, 0, 1},  {1, 0, -1}, {0, 1, 1},  {0, 1, -1}, {1, 1, 1},
                             {1, 1, -1}, {1, -1, 1}, {1, -1, -1}};

// Plane i of the k-DOP as a plane of the 26-DOP.
int fullPlane(int k, int plane) {
  return k == 14 && plane >= 6 ? plane + 12 : plane;
}

Vector3d fullDirection(int plane) {
  const int* d = AXES[plane / 2];
  const double norm = std::sqrt(static_cast<double>(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]));
  const double sign = plane % 2 == 0 ? 1.0 : -1.0;
  return Vector3d(d[0], d[1], d[2]) * (sign / norm);
}

// The faces of the box of the first six planes, each loop counterclockwise from outside. The
// corners are the offsets themselves, not a product with the axes, so no zero changes sign.
std::vector<ClipPolygon> axisBox(const std::vector<double>& offsets) {
  std::vector<ClipPolygon> faces;
  for (int i = 0; i < 3; ++i) {
    const int j = (i + 1) % 3;
    const int l = (i + 2) % 3;
    const double lj[2] = {-offsets[static_cast<std::size_t>(2 * j + 1)],
                          offsets[static_cast<std::size_t>(2 * j)]};
    const double ll[2] = {-offsets[static_cast<std::size_t>(2 * l + 1)],
                          offsets[static_cast<std::size_t>(2 * l)]};
    for (int side = 0; side < 2; ++side) {
      ClipPolygon face{2 * i + side, {}};
      const double at = side == 0 ? offsets[static_cast<std::size_t>(2 * i)]
                                  : -offsets[static_cast<std::size_t>(2 * i + 1)];
      // (j-, l-), (j+, l-), (j+, l+), (j-, l+) turns positively about +i (e_j x e_l = e_i).
      constexpr int CORNERS[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
      for (const auto& corner : CORNERS) {
        Vector3d p;
        p[i] = at;
        p[j] = lj[corner[0]];
        p[l] = ll[corner[1]];
        face.points.push_back(p);
      }
      if (side == 1)
        std::reverse(face.points.begin(), face.points.end());
      faces.push_back(std::move(face));
    }
  }
  return faces;
}

}  // namespace

Vector3d kdopDirection(int k, int plane) {
  return fullDirection(fullPlane(k, plane));
}

Kdop computeKdop(std::span<const Vector3> points, int k) {
  Kdop dop;
  dop.k = k;
  dop.offsets.assign(static_cast<std::size_t>(k), 0.0);
  if (points.empty() || !isKdopSize(k))
    return dop;
  std::vector<Vector3d> directions;
  for (int i = 0; i < k; ++i) {
    directions.push_back(kdopDirection(k, i));
    dop.offsets[static_cast<std::size_t>(i)] = -std::numeric_limits<double>::infinity();
  }
  for (const Vector3& p : points) {
    const Vector3d q(p);
    for (std::size_t i = 0; i < directions.size(); ++i)
      dop.offsets[i] = std::max(dop.offsets[i], dot(directions[i], q));
  }

  double magnitude = 0.0;
  for (double offset : dop.offsets)
    magnitude = std::max(magnitude, std::fabs(offset));
  const double tolerance = 1e-12 * magnitude;
  std::vector<ClipPolygon> faces = axisBox(dop.offsets);
  for (int i = 6; i < k; ++i) {
    clipPolygons(faces, directions[static_cast<std::size_t>(i)],
                 dop.offsets[static_cast<std::size_t>(i)], i, tolerance);
  }
  IndexedPolytope polytope = indexPolygons(faces, tolerance);
  dop.vertices = std::move(polytope.vertices);
  dop.faces = std::move(polytope.faces);
  dop.volume = polytope.volume;
  return dop;
}
