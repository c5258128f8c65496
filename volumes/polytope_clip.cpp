// Plane clipping of a convex polytope kept as face polygons; the cut closed by the convex
// outline of the cut points in the plane (Andrew's monotone chain, as volumes/outline.h draws
// it, kept here so that this layer needs only geometry/).
#include "volumes/polytope_clip.h"

#include <algorithm>
#include <cmath>

namespace {

struct Flat {
  double x = 0;
  double y = 0;
};

double turn(const Flat& o, const Flat& a, const Flat& b) {
  return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

// Corners counterclockwise from the lexicographically smallest, exactly collinear ones
// dropped; fewer than three distinct points give them sorted.
std::vector<Flat> convexLoop(const std::vector<Flat>& points) {
  std::vector<Flat> sorted = points;
  std::sort(sorted.begin(), sorted.end(),
            [](const Flat& a, const Flat& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
  sorted.erase(std::unique(sorted.begin(), sorted.end(),
                           [](const Flat& a, const Flat& b) { return a.x == b.x && a.y == b.y; }),
               sorted.end());
  if (sorted.size() < 3)
    return sorted;
  std::vector<Flat> hull(2 * sorted.size());
  std::size_t k = 0;
  for (const Flat& p : sorted) {
    while (k >= 2 && turn(hull[k - 2], hull[k - 1], p) <= 0)
      --k;
    hull[k++] = p;
  }
  const std::size_t lower = k + 1;
  for (std::size_t i = sorted.size() - 1; i-- > 0;) {
    while (k >= lower && turn(hull[k - 2], hull[k - 1], sorted[i]) <= 0)
      --k;
    hull[k++] = sorted[i];
  }
  hull.resize(k - 1);
  return hull;
}

// Two unit vectors with e1 x e2 = n, for ordering a cut counterclockwise seen from outside.
void planeBasis(const Vector3d& n, Vector3d& e1, Vector3d& e2) {
  const Vector3d reference = std::fabs(n.x) < 0.5 ? Vector3d(1, 0, 0) : Vector3d(0, 1, 0);
  e1 = normalized(cross(reference, n));
  e2 = cross(n, e1);
}

}  // namespace

std::vector<ClipPolygon> boxPolygons(const Vector3d (&axes)[3], const double (&lo)[3],
                                     const double (&hi)[3], const int (&planes)[6]) {
  std::vector<ClipPolygon> faces;
  for (int i = 0; i < 3; ++i) {
    const int j = (i + 1) % 3;
    const int l = (i + 2) % 3;
    for (int side = 0; side < 2; ++side) {
      ClipPolygon face{planes[2 * i + side], {}};
      const double at = side == 0 ? hi[i] : lo[i];
      // (j-, l-), (j+, l-), (j+, l+), (j-, l+) turns positively about +i.
      constexpr int CORNERS[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
      for (const auto& corner : CORNERS) {
        const double tj = corner[0] == 0 ? lo[j] : hi[j];
        const double tl = corner[1] == 0 ? lo[l] : hi[l];
        face.points.push_back(axes[i] * at + axes[j] * tj + axes[l] * tl);
      }
      if (side == 1)
        std::reverse(face.points.begin(), face.points.end());
      faces.push_back(std::move(face));
    }
  }
  return faces;
}

bool clipPolygons(std::vector<ClipPolygon>& faces, const Vector3d& n, double offset, int plane,
                  double tolerance) {
  const auto distance = [&](const Vector3d& p) { return dot(n, p) - offset; };
  bool cuts = false;
  for (const ClipPolygon& face : faces) {
    for (const Vector3d& p : face.points)
      cuts = cuts || distance(p) > tolerance;
  }
  if (!cuts)
    return false;
  std::vector<Vector3d> cut;
  std::vector<ClipPolygon> kept;
  for (const ClipPolygon& face : faces) {
    ClipPolygon clipped{face.plane, {}};
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
  std::vector<Flat> flat;
  for (const Vector3d& p : cut)
    flat.push_back({dot(p, e1), dot(p, e2)});
  const std::vector<Flat> loop = convexLoop(flat);
  if (loop.size() >= 3) {
    // Each outline corner is one of the planar points exactly: take its point in space.
    ClipPolygon cap{plane, {}};
    for (const Flat& corner : loop) {
      std::size_t i = 0;
      while (flat[i].x != corner.x || flat[i].y != corner.y)
        ++i;
      cap.points.push_back(cut[i]);
    }
    kept.push_back(std::move(cap));
  }
  faces = std::move(kept);
  return true;
}

IndexedPolytope indexPolygons(const std::vector<ClipPolygon>& faces, double tolerance) {
  IndexedPolytope polytope;
  for (const ClipPolygon& face : faces) {
    PolytopeFace indexed{face.plane, {}};
    for (const Vector3d& p : face.points) {
      std::size_t v = 0;
      while (v < polytope.vertices.size() && length(polytope.vertices[v] - p) > tolerance)
        ++v;
      if (v == polytope.vertices.size())
        polytope.vertices.push_back(p);
      const auto index = static_cast<std::int32_t>(v);
      if (indexed.loop.empty() || indexed.loop.back() != index)
        indexed.loop.push_back(index);
    }
    while (indexed.loop.size() > 1 && indexed.loop.back() == indexed.loop.front())
      indexed.loop.pop_back();
    if (indexed.loop.size() >= 3)
      polytope.faces.push_back(std::move(indexed));
  }
  // Keep only the vertices of faces that survived, in order of first use.
  std::vector<std::int32_t> renumbered(polytope.vertices.size(), -1);
  std::vector<Vector3d> used;
  for (PolytopeFace& face : polytope.faces) {
    for (std::int32_t& v : face.loop) {
      std::int32_t& slot = renumbered[static_cast<std::size_t>(v)];
      if (slot < 0) {
        slot = static_cast<std::int32_t>(used.size());
        used.push_back(polytope.vertices[static_cast<std::size_t>(v)]);
      }
      v = slot;
    }
  }
  polytope.vertices = std::move(used);

  const Vector3d reference = polytope.vertices.empty() ? Vector3d() : polytope.vertices.front();
  double sixTimesVolume = 0.0;
  for (const PolytopeFace& face : polytope.faces) {
    const Vector3d a = polytope.vertices[static_cast<std::size_t>(face.loop[0])] - reference;
    for (std::size_t i = 2; i < face.loop.size(); ++i) {
      const Vector3d b = polytope.vertices[static_cast<std::size_t>(face.loop[i - 1])] - reference;
      const Vector3d c = polytope.vertices[static_cast<std::size_t>(face.loop[i])] - reference;
      sixTimesVolume += dot(a, cross(b, c));
    }
  }
  polytope.volume = std::max(0.0, sixTimesVolume / 6.0);
  return polytope;
}

long estimatedVertexCount(const std::vector<ClipPolygon>& faces) {
  long corners = 0;
  for (const ClipPolygon& face : faces)
    corners += static_cast<long>(face.points.size());
  return faces.empty() ? 0 : corners / 2 - static_cast<long>(faces.size()) + 2;
}

double polygonsVolume(const std::vector<ClipPolygon>& faces) {
  if (faces.empty() || faces.front().points.empty())
    return 0.0;
  const Vector3d reference = faces.front().points.front();
  double sixTimesVolume = 0.0;
  for (const ClipPolygon& face : faces) {
    const Vector3d a = face.points[0] - reference;
    for (std::size_t i = 2; i < face.points.size(); ++i)
      sixTimesVolume += dot(a, cross(face.points[i - 1] - reference, face.points[i] - reference));
  }
  return std::max(0.0, sixTimesVolume / 6.0);
}
