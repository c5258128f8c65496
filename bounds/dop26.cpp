// Offsets in one pass; the polytope by clipping the axis box with each further plane
// (Sutherland-Hodgman per face, the cut closed by the planar hull of the cut points).
#include "bounds/dop26.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "bounds/outline.h"

namespace {

constexpr int DIAGONALS[13][3] = {{1, 0, 0},  {0, 1, 0},  {0, 0, 1},  {1, 1, 0},  {1, -1, 0},
                                  {1, 0, 1},  {1, 0, -1}, {0, 1, 1},  {0, 1, -1}, {1, 1, 1},
                                  {1, 1, -1}, {1, -1, 1}, {1, -1, -1}};

struct Polygon {
  int plane;
  std::vector<Vector3d> points;
};

// Two unit vectors with e1 x e2 = n, for ordering a cut counterclockwise seen from outside.
void planeBasis(const Vector3d& n, Vector3d& e1, Vector3d& e2) {
  const Vector3d reference = std::fabs(n.x) < 0.5 ? Vector3d(1, 0, 0) : Vector3d(0, 1, 0);
  e1 = normalized(cross(reference, n));
  e2 = cross(n, e1);
}

// The faces of the box of the first six planes, each loop counterclockwise from outside.
std::vector<Polygon> axisBox(const std::array<double, DOP26_PLANES>& offsets) {
  std::vector<Polygon> faces;
  for (int i = 0; i < 3; ++i) {
    const int j = (i + 1) % 3;
    const int l = (i + 2) % 3;
    const double lj[2] = {-offsets[static_cast<std::size_t>(2 * j + 1)],
                          offsets[static_cast<std::size_t>(2 * j)]};
    const double ll[2] = {-offsets[static_cast<std::size_t>(2 * l + 1)],
                          offsets[static_cast<std::size_t>(2 * l)]};
    for (int side = 0; side < 2; ++side) {
      Polygon face{2 * i + side, {}};
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

void clip(std::vector<Polygon>& faces, int plane, double offset, double tolerance) {
  const Vector3d n = dop26Direction(plane);
  const auto distance = [&](const Vector3d& p) { return dot(n, p) - offset; };
  bool cuts = false;
  for (const Polygon& face : faces) {
    for (const Vector3d& p : face.points)
      cuts = cuts || distance(p) > tolerance;
  }
  if (!cuts)
    return;
  std::vector<Vector3d> cut;
  std::vector<Polygon> kept;
  for (const Polygon& face : faces) {
    Polygon clipped{face.plane, {}};
    const std::size_t count = face.points.size();
    for (std::size_t i = 0; i < count; ++i) {
      const Vector3d& p = face.points[i];
      const Vector3d& q = face.points[(i + 1) % count];
      const double sp = distance(p);
      const double sq = distance(q);
      if (sp <= tolerance) {
        clipped.points.push_back(p);
        if (sp >= -tolerance)
          cut.push_back(p);
      }
      if ((sp < -tolerance && sq > tolerance) || (sp > tolerance && sq < -tolerance)) {
        const Vector3d crossing = p + (q - p) * (sp / (sp - sq));
        clipped.points.push_back(crossing);
        cut.push_back(crossing);
      }
    }
    if (clipped.points.size() >= 3)
      kept.push_back(std::move(clipped));
  }
  Vector3d e1;
  Vector3d e2;
  planeBasis(n, e1, e2);
  std::vector<Point2> flat;
  for (const Vector3d& p : cut)
    flat.push_back({dot(p, e1), dot(p, e2)});
  const std::vector<Point2> loop = convexOutline(flat);
  if (loop.size() >= 3) {
    // Each outline corner is one of the planar points exactly: take its point in space.
    Polygon cap{plane, {}};
    for (const Point2& corner : loop) {
      std::size_t i = 0;
      while (flat[i].x != corner.x || flat[i].y != corner.y)
        ++i;
      cap.points.push_back(cut[i]);
    }
    kept.push_back(std::move(cap));
  }
  faces = std::move(kept);
}

}  // namespace

Vector3d dop26Direction(int plane) {
  const int* d = DIAGONALS[plane / 2];
  const double norm = std::sqrt(static_cast<double>(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]));
  const double sign = plane % 2 == 0 ? 1.0 : -1.0;
  return Vector3d(d[0], d[1], d[2]) * (sign / norm);
}

Dop26 dop26(std::span<const Vector3> points) {
  Dop26 dop;
  if (points.empty())
    return dop;
  Vector3d directions[DOP26_PLANES];
  for (int k = 0; k < DOP26_PLANES; ++k) {
    directions[k] = dop26Direction(k);
    dop.offsets[static_cast<std::size_t>(k)] = -std::numeric_limits<double>::infinity();
  }
  for (const Vector3& p : points) {
    const Vector3d q(p);
    for (int k = 0; k < DOP26_PLANES; ++k) {
      double& offset = dop.offsets[static_cast<std::size_t>(k)];
      offset = std::max(offset, dot(directions[k], q));
    }
  }

  double magnitude = 0.0;
  for (double offset : dop.offsets)
    magnitude = std::max(magnitude, std::fabs(offset));
  const double tolerance = 1e-12 * magnitude;
  std::vector<Polygon> faces = axisBox(dop.offsets);
  for (int k = 6; k < DOP26_PLANES; ++k)
    clip(faces, k, dop.offsets[static_cast<std::size_t>(k)], tolerance);

  // Shared vertices (merged within the tolerance) and index loops.
  for (const Polygon& face : faces) {
    Dop26Face indexed{face.plane, {}};
    for (const Vector3d& p : face.points) {
      std::size_t v = 0;
      while (v < dop.vertices.size() && length(dop.vertices[v] - p) > tolerance)
        ++v;
      if (v == dop.vertices.size())
        dop.vertices.push_back(p);
      const auto index = static_cast<std::int32_t>(v);
      if (indexed.loop.empty() || indexed.loop.back() != index)
        indexed.loop.push_back(index);
    }
    while (indexed.loop.size() > 1 && indexed.loop.back() == indexed.loop.front())
      indexed.loop.pop_back();
    if (indexed.loop.size() >= 3)
      dop.faces.push_back(std::move(indexed));
  }
  // Keep only the vertices of faces that survived, in order of first use.
  std::vector<std::int32_t> renumbered(dop.vertices.size(), -1);
  std::vector<Vector3d> used;
  for (Dop26Face& face : dop.faces) {
    for (std::int32_t& v : face.loop) {
      std::int32_t& slot = renumbered[static_cast<std::size_t>(v)];
      if (slot < 0) {
        slot = static_cast<std::int32_t>(used.size());
        used.push_back(dop.vertices[static_cast<std::size_t>(v)]);
      }
      v = slot;
    }
  }
  dop.vertices = std::move(used);

  const Vector3d reference = dop.vertices.empty() ? Vector3d() : dop.vertices.front();
  double sixTimesVolume = 0.0;
  for (const Dop26Face& face : dop.faces) {
    const Vector3d a = dop.vertices[static_cast<std::size_t>(face.loop[0])] - reference;
    for (std::size_t i = 2; i < face.loop.size(); ++i) {
      const Vector3d b = dop.vertices[static_cast<std::size_t>(face.loop[i - 1])] - reference;
      const Vector3d c = dop.vertices[static_cast<std::size_t>(face.loop[i])] - reference;
      sixTimesVolume += dot(a, cross(b, c));
    }
  }
  dop.volume = std::max(0.0, sixTimesVolume / 6.0);
  return dop;
}
