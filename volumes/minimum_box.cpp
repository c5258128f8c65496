// Minimum-volume box: g(a) = width * minimum rectangle, evaluated at facet normals and
// minimised along the arcs between them by splitting each arc until a lower bound decides
// every piece (see the header for the reasoning and the bounds).
#include "volumes/minimum_box.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <span>
#include <tuple>
#include <vector>

#include "geometry/vector3d.h"
#include "volumes/covariance_box.h"
#include "volumes/outline.h"
#include "volumes/polygon_outline.h"
#include "volumes/worker_pair.h"

namespace {

constexpr double INFINITE = std::numeric_limits<double>::infinity();
constexpr double ANGLE_TOLERANCE = 1e-7;  // radians: arcs shorter than this are their ends
// Pieces of arcs are not split below this half-length (radians): far below what any gap
// needs, it only stops a search that rounding keeps from deciding.
constexpr double MIN_PIECE = 1e-12;

struct Candidate {
  double volume = INFINITE;
  BoxAxes axes;
};

// Two unit vectors spanning the plane normal to the unit vector a, with e1 x e2 = a.
void planeBasis(const Vector3d& a, Vector3d& e1, Vector3d& e2) {
  int smallest = 0;
  for (int k = 1; k < 3; ++k) {
    if (std::fabs(a[k]) < std::fabs(a[smallest]))
      smallest = k;
  }
  Vector3d reference;
  reference[smallest] = 1.0;
  e1 = normalized(cross(a, reference));
  e2 = cross(a, e1);
}

// smallestRectangle, also for outlines of one or two corners (no area; along the segment).
Rectangle2 rectangleOf(std::span<const Point2> outline) {
  if (outline.size() >= 3)
    return smallestRectangle(outline);
  Rectangle2 rectangle;
  rectangle.direction = {1.0, 0.0};
  if (outline.size() == 2) {
    const Point2 d{outline[1].x - outline[0].x, outline[1].y - outline[0].y};
    const double length = std::hypot(d.x, d.y);
    if (length > 0.0)
      rectangle.direction = {d.x / length, d.y / length};
    rectangle.length = length;
  }
  return rectangle;
}

// The frame of a planar rectangle found in the basis (e1, e2) of the plane normal to a.
BoxAxes frameOf(const Vector3d& a, const Vector3d& e1, const Vector3d& e2, const Point2& u) {
  const Vector3d u3 = e1 * u.x + e2 * u.y;
  return {a, u3, cross(a, u3)};
}

// Evaluates g(a) on a hull graph: the hull's width along a times the minimum rectangle of its
// projection, with the frame that achieves it. Outlines are walked on the vertex graph, and
// the answers of the previous call are the next call's starting points.
class DirectionEvaluator {
 public:
  DirectionEvaluator(const HullGraph& graph, bool walk) : walk_(walk) {
    const std::size_t n = graph.vertices.size();
    Vector3d centroid;
    for (const Vector3& p : graph.vertices)
      centroid = centroid + Vector3d(p);
    centroid = centroid * (1.0 / static_cast<double>(std::max<std::size_t>(n, 1)));
    vertices_.reserve(n);
    for (const Vector3& p : graph.vertices) {
      vertices_.push_back(Vector3d(p) - centroid);
      rho_ = std::max(rho_, length(vertices_.back()));
    }
    orientFacets(graph);
    collectArcs();
    std::vector<std::size_t> degree(n + 1, 0);
    for (const auto& edge : graph.edges) {
      ++degree[static_cast<std::size_t>(edge[0])];
      ++degree[static_cast<std::size_t>(edge[1])];
    }
    neighbourStart_.assign(n + 1, 0);
    for (std::size_t v = 0; v < n; ++v)
      neighbourStart_[v + 1] = neighbourStart_[v] + degree[v];
    neighbourList_.resize(neighbourStart_[n]);
    std::vector<std::size_t> fill(neighbourStart_.begin(), neighbourStart_.end() - 1);
    for (const auto& edge : graph.edges) {
      neighbourList_[fill[static_cast<std::size_t>(edge[0])]++] = edge[1];
      neighbourList_[fill[static_cast<std::size_t>(edge[1])]++] = edge[0];
    }
    walk_ = walk_ && n >= 4 && !graph.edges.empty();
  }

  // A facet pair meeting at an edge, and the edge's two vertices.
  struct ArcEdge {
    std::array<std::int32_t, 2> facets;
    std::array<std::int32_t, 2> vertices;
  };
  // What a lower bound near the last evaluated direction a needs: the rectangle's area, the
  // vertex farthest along -a, and the extent of the outline vertices in the frame (a x d1, a)
  // of the plane normal to d1 (half ranges) and across the outline (largest width).
  struct LocalShape {
    double area = 0.0;
    std::size_t antipode = 0;
    double yHalfRange = 0.0;
    double zHalfRange = 0.0;
    double largestWidth = 0.0;  // of the outline, over all directions (bounded above)
  };

  bool walks() const { return walk_; }

  // The volume of the box along the frame around every vertex.
  double volumeAlong(const BoxAxes& axes) const {
    double volume = 1.0;
    for (const Vector3d& axis : axes) {
      double lo = INFINITE;
      double hi = -INFINITE;
      for (const Vector3d& v : vertices_) {
        lo = std::min(lo, dot(v, axis));
        hi = std::max(hi, dot(v, axis));
      }
      volume *= hi - lo;
    }
    return volume;
  }
  // Evaluations that projected every vertex because the walk failed or was not confirmed.
  std::size_t fallbacks() const { return fallbacks_; }
  std::size_t evaluations() const { return evaluations_; }
  const std::vector<Vector3d>& normals() const { return normals_; }
  // Facet pairs meeting at an edge, in edge order.
  const std::vector<ArcEdge>& arcs() const { return arcs_; }
  const Vector3d& vertex(std::size_t v) const { return vertices_[v]; }

  // The local shape of the last evaluation, at its direction a, for an arc turning about the
  // unit direction d1 (normal to a). The outline vertices are the walked ones, or every
  // vertex when the walk was not used.
  LocalShape localShape(const Vector3d& a, const Vector3d& d1) const {
    LocalShape shape;
    shape.area = lastArea_;
    shape.antipode = lastAntipode_;
    // The outline's points are the vertices' projections onto (e1, e2), and a x d1 lies in
    // that plane: the positions across are the points' dot products with its coordinates.
    const Vector3d across = cross(a, d1);
    const Point2 inPlane{dot(across, lastE1_), dot(across, lastE2_)};
    double yLow = INFINITE, yHigh = -INFINITE;
    for (const Point2& p : outline_) {
      const double y = p.x * inPlane.x + p.y * inPlane.y;
      yLow = std::min(yLow, y);
      yHigh = std::max(yHigh, y);
    }
    shape.yHalfRange = 0.5 * (yHigh - yLow);
    shape.zHalfRange = lastZHalfRange_;
    shape.largestWidth = lastLargestWidth_;
    return shape;
  }

  // Largest rate of change of ln g per radian of rotation (see the header); infinite when the
  // centroid is not strictly inside every facet plane.
  double lipschitz() const {
    double inradius = INFINITE;
    bool any = false;
    for (std::size_t f = 0; f < normals_.size(); ++f) {
      if (!usable(f))
        continue;
      any = true;
      const Vector3d& v = vertices_[static_cast<std::size_t>(loops_[f][0])];
      inradius = std::min(inradius, dot(normals_[f], v));
    }
    if (!any || !(inradius > 0.0))
      return INFINITE;
    return rho_ / inradius;
  }

  bool usable(std::size_t facet) const {
    const Vector3d& n = normals_[facet];
    return n.x != 0.0 || n.y != 0.0 || n.z != 0.0;
  }

  Candidate evaluate(const Vector3d& a) {
    ++evaluations_;
    Vector3d e1;
    Vector3d e2;
    planeBasis(a, e1, e2);
    if (walk_) {
      hintHigh_ = climb(hintHigh_, a);
      hintLow_ = climb(hintLow_, -a);
      const double width = dot(vertices_[hintHigh_] - vertices_[hintLow_], a);
      if (walkOutline(e1, e2)) {
        convexOutlineOfPolygon(outline_, hull2d_);
        const Rectangle2 rectangle = rectangleOf(hull2d_);
        const BoxAxes frame = frameOf(a, e1, e2, rectangle.direction);
        if (confirmed(frame, rectangle.direction)) {
          lastWalked_ = true;
          lastArea_ = rectangle.area;
          lastAntipode_ = hintLow_;
          double zLow = INFINITE, zHigh = -INFINITE;
          for (std::size_t v : outlineVertex_) {
            zLow = std::min(zLow, dot(vertices_[v], a));
            zHigh = std::max(zHigh, dot(vertices_[v], a));
          }
          keepShape(e1, e2, 0.5 * (zHigh - zLow));
          return {width * rectangle.area, frame};
        }
      }
      ++fallbacks_;
    }
    return evaluateProjected(a, e1, e2);
  }

  // The same with every vertex projected, whatever the walk would give.
  Candidate evaluateProjected(const Vector3d& a) {
    Vector3d e1;
    Vector3d e2;
    planeBasis(a, e1, e2);
    return evaluateProjected(a, e1, e2);
  }

  bool lastWalked() const { return lastWalked_; }

 private:
  Candidate evaluateProjected(const Vector3d& a, const Vector3d& e1, const Vector3d& e2) {
    double lo = INFINITE;
    double hi = -INFINITE;
    outline_.clear();
    for (std::size_t i = 0; i < vertices_.size(); ++i) {
      const Vector3d& v = vertices_[i];
      if (dot(v, a) < lo) {
        lo = dot(v, a);
        lastAntipode_ = i;
      }
      hi = std::max(hi, dot(v, a));
      outline_.push_back({dot(v, e1), dot(v, e2)});
    }
    const Rectangle2 rectangle = rectangleOf(convexOutline(outline_));
    keepShape(e1, e2, 0.5 * (hi - lo));
    lastWalked_ = false;
    lastArea_ = rectangle.area;
    return {(hi - lo) * rectangle.area, frameOf(a, e1, e2, rectangle.direction)};
  }

  // What localShape needs of the evaluation just made, whatever arc it is asked for: the
  // plane's basis, the outline vertices' half range along a (every vertex's when projected),
  // and a bound of every width of the outline: no width exceeds twice the largest distance
  // from the centre of its bounding box.
  void keepShape(const Vector3d& e1, const Vector3d& e2, double zHalfRange) {
    lastE1_ = e1;
    lastE2_ = e2;
    lastZHalfRange_ = zHalfRange;
    double uLow = INFINITE, uHigh = -INFINITE, wLow = INFINITE, wHigh = -INFINITE;
    for (const Point2& p : outline_) {
      uLow = std::min(uLow, p.x);
      uHigh = std::max(uHigh, p.x);
      wLow = std::min(wLow, p.y);
      wHigh = std::max(wHigh, p.y);
    }
    const Point2 centre{0.5 * (uLow + uHigh), 0.5 * (wLow + wHigh)};
    double farthest = 0.0;
    for (const Point2& p : outline_) {
      const double dx = p.x - centre.x;
      const double dy = p.y - centre.y;
      farthest = std::max(farthest, dx * dx + dy * dy);
    }
    lastLargestWidth_ = 2.0 * std::sqrt(farthest);
  }

  // Outward unit normals by Newell's method in double (zero for facets without area).
  void orientFacets(const HullGraph& graph) {
    for (const std::vector<std::int32_t>& loop : graph.facets) {
      Vector3d normal;
      Vector3d middle;
      for (std::size_t i = 0; i < loop.size(); ++i) {
        const Vector3d& p = vertices_[static_cast<std::size_t>(loop[i])];
        const Vector3d& q = vertices_[static_cast<std::size_t>(loop[(i + 1) % loop.size()])];
        normal = normal + cross(p, q);
        middle = middle + p;
      }
      // The centroid of the vertices is inside: an outward normal points away from it.
      if (dot(normal, middle) < 0.0)
        normal = -normal;
      const double twiceArea = length(normal);
      normals_.push_back(twiceArea > 1e-24 * rho_ * rho_ ? normal * (1.0 / twiceArea) : Vector3d());
      loops_.push_back(loop);
    }
  }

  // Sides of every loop grouped by their vertex pair; the facets sharing a side give arcs
  // between consecutive members (two on a closed hull).
  void collectArcs() {
    struct Side {
      std::int32_t low;
      std::int32_t high;
      std::int32_t facet;
    };
    std::vector<Side> sides;
    for (std::size_t f = 0; f < loops_.size(); ++f) {
      const std::vector<std::int32_t>& loop = loops_[f];
      for (std::size_t i = 0; i < loop.size(); ++i) {
        const std::int32_t a = loop[i];
        const std::int32_t b = loop[(i + 1) % loop.size()];
        sides.push_back({std::min(a, b), std::max(a, b), static_cast<std::int32_t>(f)});
      }
    }
    std::sort(sides.begin(), sides.end(), [](const Side& s, const Side& t) {
      return std::tie(s.low, s.high, s.facet) < std::tie(t.low, t.high, t.facet);
    });
    for (std::size_t k = 1; k < sides.size(); ++k) {
      if (sides[k].low == sides[k - 1].low && sides[k].high == sides[k - 1].high)
        arcs_.push_back({{sides[k - 1].facet, sides[k].facet}, {sides[k].low, sides[k].high}});
    }
  }

  // Steepest ascent of dot(v, d) over the vertex graph; on a convex hull the top is global.
  std::size_t climb(std::size_t start, const Vector3d& d) {
    std::size_t current = start < vertices_.size() ? start : 0;
    double best = dot(vertices_[current], d);
    for (std::size_t guard = 0; guard < vertices_.size(); ++guard) {
      std::size_t better = current;
      for (std::size_t k = neighbourStart_[current]; k < neighbourStart_[current + 1]; ++k) {
        const auto w = static_cast<std::size_t>(neighbourList_[k]);
        const double t = dot(vertices_[w], d);
        if (t > best) {
          best = t;
          better = w;
        }
      }
      if (better == current)
        break;
      current = better;
    }
    return current;
  }

  // The outline seen along a = e1 x e2, projected onto (e1, e2), into outline_ (with the
  // vertex of each point in outlineVertex_): gift wrapping on the graph. From the vertex
  // farthest along e1, each step goes to the neighbour that keeps every other neighbour on its
  // left, counterclockwise; a neighbour projected onto the current point (an edge along a)
  // passes its own neighbours on. False when the walk does not close.
  bool walkOutline(const Vector3d& e1, const Vector3d& e2) {
    outline_.clear();
    outlineVertex_.clear();
    hintSide_ = climb(hintSide_, e1);
    const auto project = [&](std::size_t v) {
      return Point2{dot(vertices_[v], e1), dot(vertices_[v], e2)};
    };
    const double tiny = 1e-12 * rho_;
    std::size_t current = hintSide_;
    const Point2 first = project(current);
    Point2 heading{0.0, 1.0};  // at the rightmost point the outline turns upwards
    for (std::size_t steps = 0; steps <= vertices_.size(); ++steps) {
      const Point2 here = project(current);
      outline_.push_back(here);
      outlineVertex_.push_back(current);
      // The current vertex and any neighbours that coincide with it in projection.
      cluster_.assign(1, current);
      std::size_t best = current;
      Point2 bestOffset{0.0, 0.0};
      for (std::size_t c = 0; c < cluster_.size(); ++c) {
        const std::size_t v = cluster_[c];
        for (std::size_t k = neighbourStart_[v]; k < neighbourStart_[v + 1]; ++k) {
          const auto w = static_cast<std::size_t>(neighbourList_[k]);
          const Point2 q = project(w);
          const Point2 r{q.x - here.x, q.y - here.y};
          if (std::fabs(r.x) + std::fabs(r.y) <= tiny) {
            if (std::find(cluster_.begin(), cluster_.end(), w) == cluster_.end())
              cluster_.push_back(w);
            continue;
          }
          const double backwards = heading.x * r.y - heading.y * r.x;
          if (backwards == 0.0 && heading.x * r.x + heading.y * r.y < 0.0)
            continue;  // straight back where the outline came from
          const double side = bestOffset.x * r.y - bestOffset.y * r.x;
          const auto farther = [&] {
            return r.x * r.x + r.y * r.y >
                   bestOffset.x * bestOffset.x + bestOffset.y * bestOffset.y;
          };
          if (best == current || side < 0.0 || (side == 0.0 && farther())) {
            best = w;
            bestOffset = r;
          }
        }
      }
      if (best == current)
        return false;
      heading = bestOffset;
      current = best;
      const Point2 next = project(current);
      if (std::fabs(next.x - first.x) + std::fabs(next.y - first.y) <= tiny)
        return outline_.size() >= 3;  // back at the start (or a vertex over it)
    }
    return false;
  }

  // The walked outline reaches as far as the hull in the rectangle's four directions: no
  // vertex next to its extreme points lies beyond them (on a convex hull a local check is
  // global), so no part of the hull was missed where it would widen the rectangle.
  // The outline's points are the projections onto (e1, e2), in which the frame's second and
  // third axes are u and its left normal (a x u3 = u.x e2 - u.y e1): the reaches are read off
  // them, rounded differently from the 3D dot products by far less than the slack.
  bool confirmed(const BoxAxes& frame, const Point2& u) {
    const Vector3d directions[4] = {frame[1], -frame[1], frame[2], -frame[2]};
    const Point2 planar[4] = {{u.x, u.y}, {-u.x, -u.y}, {-u.y, u.x}, {u.y, -u.x}};
    const double slack = 1e-9 * rho_;
    for (int k = 0; k < 4; ++k) {
      std::size_t extreme = 0;
      double reach = -INFINITE;
      for (std::size_t j = 0; j < outline_.size(); ++j) {
        const double t = outline_[j].x * planar[k].x + outline_[j].y * planar[k].y;
        if (t > reach) {
          reach = t;
          extreme = j;
        }
      }
      const std::size_t top = climb(outlineVertex_[extreme], directions[k]);
      if (dot(vertices_[top], directions[k]) > reach + slack)
        return false;
    }
    return true;
  }

  bool walk_;
  std::vector<Vector3d> vertices_;  // relative to their centroid
  double rho_ = 0.0;
  std::vector<std::vector<std::int32_t>> loops_;
  std::vector<Vector3d> normals_;
  std::vector<ArcEdge> arcs_;
  std::vector<std::size_t> neighbourStart_;
  std::vector<std::int32_t> neighbourList_;
  std::size_t hintHigh_ = 0;
  std::size_t hintLow_ = 0;
  std::size_t hintSide_ = 0;
  std::vector<Point2> outline_;
  std::vector<std::size_t> outlineVertex_;
  std::vector<std::size_t> cluster_;
  std::vector<Point2> hull2d_;
  bool lastWalked_ = false;
  Vector3d lastE1_, lastE2_;
  double lastZHalfRange_ = 0.0;
  double lastLargestWidth_ = 0.0;
  double lastArea_ = 0.0;
  std::size_t lastAntipode_ = 0;
  std::size_t evaluations_ = 0;
  std::size_t fallbacks_ = 0;
};

// Lower bound of g on an arc of angle theta between ends of values g1 and g2, with ln g
// changing by at most ln(1 + k t)^3 over an angle t: the smallest over the arc of
// max(g1 / (1 + k t)^3, g2 / (1 + k (theta - t))^3).
double arcLowerBound(double g1, double g2, double theta, double k) {
  if (!std::isfinite(k))
    return 0.0;
  const double c1 = std::cbrt(g1);
  const double c2 = std::cbrt(g2);
  double t = (c1 * (1.0 + k * theta) - c2) / (k * (c1 + c2));
  t = std::clamp(t, 0.0, theta);
  const double bound = std::max(c1 / (1.0 + k * t), c2 / (1.0 + k * (theta - t)));
  return bound * bound * bound;
}

// One arc of the Gauss sphere from normal n1 towards n2: directions by angle from n1.
class Arc {
 public:
  Arc(const Vector3d& n1, const Vector3d& n2) : n1_(n1) {
    const Vector3d along = n2 - n1 * dot(n1, n2);
    theta_ = std::atan2(length(along), dot(n1, n2));
    q_ = length(along) > 0.0 ? normalized(along) : Vector3d();
  }
  double angle() const { return theta_; }
  Vector3d at(double t) const { return normalized(n1_ * std::cos(t) + q_ * std::sin(t)); }

 private:
  Vector3d n1_;
  Vector3d q_;
  double theta_ = 0.0;
};

// Position of a unit vector along a Z-order curve over the cube [-1, 1]^3, so that facets and
// arcs taken in this order have nearby normals and each evaluation starts its climbs close
// to its answer.
std::uint32_t mortonKey(const Vector3d& n) {
  std::uint32_t key = 0;
  std::uint32_t cell[3];
  for (int k = 0; k < 3; ++k)
    cell[k] = static_cast<std::uint32_t>(std::clamp((n[k] + 1.0) * 511.5, 0.0, 1023.0));
  for (int bit = 9; bit >= 0; --bit) {
    for (int k = 0; k < 3; ++k)
      key = (key << 1) | ((cell[k] >> bit) & 1u);
  }
  return key;
}

// The search over the Gauss sphere: every facet normal, then every arc, each arc split until
// a rigorous lower bound on every piece decides it (see the header). The work is shared by
// WORKERS threads, each with its own evaluator, over fixed contiguous shares of the facets and
// arcs. A worker prunes with the best box of the facet phase and its own finds only, so what
// it does does not depend on timing, and the results, merged in worker order, are the same on
// every machine and every run.
constexpr std::size_t WORKERS = 2;

class Search {
 public:
  Search(const DirectionEvaluator& evaluator, const MinimumBoxOptions& options)
      : shared_(evaluator), k_(evaluator.lipschitz()), gap_(std::max(options.gap, 0.0)) {
    for (std::size_t w = 0; w < WORKERS; ++w)
      workers_.emplace_back(evaluator);
  }

  const Candidate& best() const { return best_; }
  // The smallest lower bound left on any piece that was not excluded outright.
  double lowestBound() const { return lowestBound_; }
  std::size_t evaluations() const {
    std::size_t total = 0;
    for (const Worker& w : workers_)
      total += w.evaluator.evaluations();
    return total;
  }
  std::size_t fallbacks() const {
    std::size_t total = 0;
    for (const Worker& w : workers_)
      total += w.evaluator.fallbacks();
    return total;
  }

  void run(MinimumBoxReport& report) {
    const std::vector<Vector3d>& normals = shared_.normals();
    const std::vector<DirectionEvaluator::ArcEdge>& arcs = shared_.arcs();
    // The arcs to search (between usable facets, not in one plane) and, per facet, its arcs.
    std::vector<bool> searched(arcs.size(), false);
    arcStart_.assign(normals.size() + 1, 0);
    for (std::size_t i = 0; i < arcs.size(); ++i) {
      const auto f1 = static_cast<std::size_t>(arcs[i].facets[0]);
      const auto f2 = static_cast<std::size_t>(arcs[i].facets[1]);
      if (!shared_.usable(f1) || !shared_.usable(f2))
        continue;
      if (Arc(normals[f1], normals[f2]).angle() <= ANGLE_TOLERANCE)
        continue;  // facets in one plane: the arc is the facet normal, evaluated as such
      searched[i] = true;
      ++arcStart_[f1 + 1];
      ++arcStart_[f2 + 1];
    }
    for (std::size_t f = 0; f < normals.size(); ++f)
      arcStart_[f + 1] += arcStart_[f];
    arcList_.assign(arcStart_.back(), 0);
    std::vector<std::size_t> fill(arcStart_.begin(), arcStart_.end() - 1);
    for (std::size_t i = 0; i < arcs.size(); ++i) {
      if (searched[i]) {
        arcList_[fill[static_cast<std::size_t>(arcs[i].facets[0])]++] = i;
        arcList_[fill[static_cast<std::size_t>(arcs[i].facets[1])]++] = i;
      }
    }

    // 1. Every facet normal, in Z-order of the normals.
    std::vector<std::uint32_t> key(normals.size(), 0);
    for (std::size_t f = 0; f < normals.size(); ++f) {
      if (shared_.usable(f)) {
        facets_.push_back(f);
        key[f] = mortonKey(normals[f]);
      }
    }
    std::stable_sort(facets_.begin(), facets_.end(),
                     [&key](std::size_t a, std::size_t b) { return key[a] < key[b]; });
    rank_.assign(normals.size(), 0);
    for (std::size_t r = 0; r < facets_.size(); ++r)
      rank_[facets_[r]] = r;
    atFacet_.assign(normals.size(), INFINITE);
    evaluated_.assign(normals.size(), 0);
    ends_.assign(arcs.size(), {});
    inParallel([this](Worker& worker, std::size_t w) {
      const auto [begin, end] = share(facets_.size(), w);
      evaluateFacets(worker, std::span<const std::size_t>(facets_).subspan(begin, end - begin),
                     true);
    });
    merge();

    // 2. The arcs, in the order of their first facet; first the facets left out above that
    // end an arc the bound from its ends cannot exclude.
    for (std::size_t i = 0; i < arcs.size(); ++i) {
      if (searched[i])
        order_.push_back(i);
    }
    const auto first = [&](std::size_t i) {
      return std::min(rank_[static_cast<std::size_t>(arcs[i].facets[0])],
                      rank_[static_cast<std::size_t>(arcs[i].facets[1])]);
    };
    std::stable_sort(order_.begin(), order_.end(),
                     [&first](std::size_t a, std::size_t b) { return first(a) < first(b); });
    std::vector<std::size_t> missing;
    for (std::size_t i : order_) {
      const auto f1 = static_cast<std::size_t>(arcs[i].facets[0]);
      const auto f2 = static_cast<std::size_t>(arcs[i].facets[1]);
      if (evaluated_[f1] && evaluated_[f2])
        continue;
      if (arcBound(i) >= best_.volume)
        continue;
      for (std::size_t f : {f1, f2}) {
        if (!evaluated_[f]) {
          missing.push_back(f);
          evaluated_[f] = 2;  // queued
        }
      }
    }
    std::stable_sort(missing.begin(), missing.end(),
                     [this](std::size_t a, std::size_t b) { return rank_[a] < rank_[b]; });
    inParallel([this, &missing](Worker& worker, std::size_t w) {
      const auto [begin, end] = share(missing.size(), w);
      evaluateFacets(worker, std::span<const std::size_t>(missing).subspan(begin, end - begin),
                     false);
    });
    merge();
    report.facetDirections = facets_.size();
    for (std::size_t f : facets_) {
      if (evaluated_[f] == 1)
        ++report.facetsSearched;
      else
        ++report.facetsExcluded;
    }
    for (Worker& worker : workers_)
      worker.best = best_;
    inParallel([this](Worker& worker, std::size_t w) { searchArcs(worker, w); });
    merge();
    report.arcs = order_.size();
    std::size_t undecided = 0;
    for (const Worker& worker : workers_) {
      report.arcsSearched += worker.arcsSearched;
      report.arcsExcluded += worker.arcsExcluded;
      report.pieces += worker.pieces;
      undecided += worker.undecided;
    }
    report.complete = !facets_.empty() && undecided == 0;
  }

 private:
  struct Worker {
    explicit Worker(const DirectionEvaluator& shared) : evaluator(shared) {}
    DirectionEvaluator evaluator;
    Candidate best;
    double lowestBound = INFINITE;
    std::size_t undecided = 0;  // pieces or arcs double arithmetic could not bound
    bool floorReached = false;  // in the arc being searched
    std::size_t arcsSearched = 0;
    std::size_t arcsExcluded = 0;
    std::size_t pieces = 0;
    std::vector<std::pair<double, double>> pending;
  };

  // Share w of n items: [begin, end).
  static std::pair<std::size_t, std::size_t> share(std::size_t n, std::size_t w) {
    return {n * w / WORKERS, n * (w + 1) / WORKERS};
  }

  // Runs task(worker, w) for both workers at once (volumes/worker_pair.h).
  template <class Task>
  void inParallel(const Task& task) {
    static_assert(WORKERS == 2, "the work is shared by a pair of workers");
    WorkerPair().run([&](std::size_t w) { task(workers_[w], w); });
  }

  // The workers' finds, in worker order (the first of equal volumes wins).
  void merge() {
    for (const Worker& worker : workers_) {
      if (worker.best.volume < best_.volume)
        best_ = worker.best;
      lowestBound_ = std::min(lowestBound_, worker.lowestBound);
    }
  }

  // Evaluates the given facets (a worker's share, in Z-order); each evaluation also leaves
  // what bounds g near that end of each of the facet's arcs (entries no other worker
  // writes). With `exclude`, a facet is left out, and the bound kept as its value, when the
  // bound from a neighbour this worker has already done (sharing an edge) shows it cannot
  // beat the worker's best box: only entries of the worker's own share are read.
  void evaluateFacets(Worker& worker, std::span<const std::size_t> facets, bool exclude) {
    const std::vector<Vector3d>& normals = shared_.normals();
    const std::vector<DirectionEvaluator::ArcEdge>& arcs = shared_.arcs();
    const std::size_t begin = facets.empty() ? 0 : rank_[facets.front()];
    for (std::size_t f : facets) {
      if (exclude && std::isfinite(k_)) {
        double bound = 0.0;
        for (std::size_t k = arcStart_[f]; k < arcStart_[f + 1]; ++k) {
          const DirectionEvaluator::ArcEdge& edge = arcs[arcList_[k]];
          const auto other = static_cast<std::size_t>(
              static_cast<std::size_t>(edge.facets[0]) == f ? edge.facets[1] : edge.facets[0]);
          if (rank_[other] < begin || rank_[other] >= rank_[f])
            continue;
          bound = std::max(
              bound,
              fromEnd(arcList_[k], static_cast<std::size_t>(edge.facets[0]) == other ? 0 : 1));
        }
        if (bound >= worker.best.volume) {
          atFacet_[f] = bound;
          continue;
        }
      }
      const Candidate c = worker.evaluator.evaluate(normals[f]);
      atFacet_[f] = c.volume;
      evaluated_[f] = 1;
      offer(worker, c);
      for (std::size_t k = arcStart_[f]; k < arcStart_[f + 1]; ++k) {
        const std::size_t i = arcList_[k];
        const std::size_t side = static_cast<std::size_t>(arcs[i].facets[0]) == f ? 0 : 1;
        ends_[i][side] = worker.evaluator.localShape(normals[f], edgeDirection(arcs[i]));
      }
    }
  }

  // The worker's share of the arcs: left out when the bound over the whole arc from its
  // ends decides it, searched otherwise.
  void searchArcs(Worker& worker, std::size_t w) {
    const std::vector<Vector3d>& normals = shared_.normals();
    const std::vector<DirectionEvaluator::ArcEdge>& arcs = shared_.arcs();
    const auto [begin, end] = share(order_.size(), w);
    for (std::size_t r = begin; r < end; ++r) {
      const std::size_t i = order_[r];
      const auto f1 = static_cast<std::size_t>(arcs[i].facets[0]);
      const auto f2 = static_cast<std::size_t>(arcs[i].facets[1]);
      const Arc arc(normals[f1], normals[f2]);
      if (arcBound(i) >= worker.best.volume) {
        ++worker.arcsExcluded;
        continue;
      }
      worker.pieces += searchArc(worker, arc, i);
      ++worker.arcsSearched;
    }
  }

  Vector3d edgeDirection(const DirectionEvaluator::ArcEdge& edge) const {
    return normalized(shared_.vertex(static_cast<std::size_t>(edge.vertices[1])) -
                      shared_.vertex(static_cast<std::size_t>(edge.vertices[0])));
  }

  // A lower bound of g over the whole of arc i from its end `side` (0 at facets[0]): the local
  // bound where that facet was evaluated (its shape kept in ends_), the global one from the
  // value or bound at that facet otherwise (an unset shape has no area, so bounds nothing).
  double fromEnd(std::size_t i, std::size_t side) const {
    const DirectionEvaluator::ArcEdge& edge = shared_.arcs()[i];
    const std::vector<Vector3d>& normals = shared_.normals();
    const Arc arc(normals[static_cast<std::size_t>(edge.facets[0])],
                  normals[static_cast<std::size_t>(edge.facets[1])]);
    const double theta = arc.angle();
    return pieceBound(arc, side == 0 ? 0.0 : theta, 0.0, theta,
                      atFacet_[static_cast<std::size_t>(edge.facets[side])], ends_[i][side],
                      shared_.vertex(static_cast<std::size_t>(edge.vertices[0])));
  }

  // A lower bound of g over the whole of arc i, from both its ends.
  double arcBound(std::size_t i) const {
    const DirectionEvaluator::ArcEdge& edge = shared_.arcs()[i];
    const auto f1 = static_cast<std::size_t>(edge.facets[0]);
    const auto f2 = static_cast<std::size_t>(edge.facets[1]);
    const double theta = Arc(shared_.normals()[f1], shared_.normals()[f2]).angle();
    return std::max(
        {arcLowerBound(atFacet_[f1], atFacet_[f2], theta, k_), fromEnd(i, 0), fromEnd(i, 1)});
  }

  // A lower bound of g over the piece [lo, hi] of the arc from an evaluation at angle `at`
  // in it (value g, local shape `shape`); p0 is an end of the arc's edge.
  double pieceBound(const Arc& arc, double at, double lo, double hi, double g,
                    const DirectionEvaluator::LocalShape& shape, const Vector3d& p0) const {
    const double reach = std::max(at - lo, hi - at);
    // The width along a(t) is at least (p0 - q) . a(t) for the antipode q of the evaluation:
    // a sinusoid, over a piece shorter than pi smallest at an end where it is positive.
    const Vector3d span = p0 - shared_.vertex(shape.antipode);
    const double width = std::max(0.0, std::min(dot(span, arc.at(lo)), dot(span, arc.at(hi))));
    // Every outline vertex moves in the turning frame by at most `moved`, every width of the
    // outline by twice that, and the rectangle's area, the product of two widths that sum to
    // at most twice the largest width, by at most 4 * moved * that width.
    const double moved = shape.yHalfRange * 0.5 * reach * reach + shape.zHalfRange * reach;
    const double area = std::max(0.0, shape.area - 4.0 * moved * shape.largestWidth);
    double bound = width * area;
    if (std::isfinite(k_)) {
      const double grow = 1.0 + k_ * reach;
      bound = std::max(bound, g / (grow * grow * grow));
    }
    return bound;
  }

  // True when the piece's bound decides it; the bound is kept for the reported gap.
  bool decided(Worker& worker, double bound, double reach) const {
    if (bound < worker.best.volume * (1.0 - gap_)) {
      if (reach >= MIN_PIECE)
        return false;
      // Halved down to the resolution of double angles and still not decided: the bound
      // cannot close here, and neither will it on the rest of the arc (a hull flat to within
      // its rounding, its sizes some thirty orders apart, whose arcs would take 1e12 pieces).
      worker.floorReached = true;
    }
    if (bound < worker.best.volume)
      worker.lowestBound = std::min(worker.lowestBound, bound);
    return true;
  }

  // Bounds each half of the arc from its end's evaluation, then halves undecided pieces,
  // evaluating each at its middle, until every piece is decided; returns the pieces evaluated.
  std::size_t searchArc(Worker& worker, const Arc& arc, std::size_t index) const {
    const DirectionEvaluator::ArcEdge& edge = shared_.arcs()[index];
    const Vector3d& p0 = shared_.vertex(static_cast<std::size_t>(edge.vertices[0]));
    const Vector3d d1 = edgeDirection(edge);
    const double theta = arc.angle();
    const double half = 0.5 * theta;
    std::vector<std::pair<double, double>>& pending = worker.pending;
    pending.clear();
    const auto f1 = static_cast<std::size_t>(edge.facets[0]);
    const auto f2 = static_cast<std::size_t>(edge.facets[1]);
    for (const auto& [lo, hi] : {std::pair{0.0, half}, {half, theta}}) {
      const double bound =
          std::max(pieceBound(arc, 0.0, lo, hi, atFacet_[f1], ends_[index][0], p0),
                   pieceBound(arc, theta, lo, hi, atFacet_[f2], ends_[index][1], p0));
      if (!decided(worker, bound, half))
        pending.push_back({lo, hi});
    }
    std::size_t pieces = 0;
    worker.floorReached = false;
    while (!pending.empty()) {
      if (worker.floorReached) {
        // The arc is left undecided: the search is incomplete and its gap unbounded.
        ++worker.undecided;
        worker.lowestBound = 0.0;
        pending.clear();
        break;
      }
      const auto [lo, hi] = pending.back();
      pending.pop_back();
      ++pieces;
      const double middle = 0.5 * (lo + hi);
      const Vector3d a = arc.at(middle);
      Candidate c = worker.evaluator.evaluate(a);
      // A walked outline can miss part of the true one on a hull graph that is not exactly
      // convex (faces placed at rounded points), and its value then lies below g. Below the
      // best box such a value would keep the piece's bound below it at every size, and the
      // piece would be halved down to MIN_PIECE (on a 2,737-vertex model, for ever): the
      // direction is measured again over every vertex.
      if (worker.evaluator.lastWalked() && c.volume < worker.best.volume * (1.0 - gap_))
        c = worker.evaluator.evaluateProjected(a);
      if (c.volume < worker.best.volume * (1.0 - gap_) &&
          !(worker.evaluator.volumeAlong(c.axes) <= c.volume * (1.0 + 1e-9))) {
        // Every vertex projected and still the rectangle disagrees with the box measured
        // along its own frame: double arithmetic cannot resolve this direction (a hull flat to
        // within its rounding, its sizes thirty orders apart). Halving would run down to
        // MIN_PIECE over the whole arc; the piece stays undecided and the search says so.
        ++worker.undecided;
        worker.lowestBound = std::min(worker.lowestBound, c.volume);
        continue;
      }
      offer(worker, c);
      const double bound =
          pieceBound(arc, middle, lo, hi, c.volume, worker.evaluator.localShape(a, d1), p0);
      if (!decided(worker, bound, 0.5 * (hi - lo))) {
        pending.push_back({lo, middle});
        pending.push_back({middle, hi});
      }
    }
    return pieces;
  }

  // The best box prunes the search, so it must be a true upper bound: a candidate that would
  // improve it is measured over every hull vertex first (a walk on a hull graph that is not
  // exactly convex, as faces placed at rounded points give, can miss part of the outline).
  static void offer(Worker& worker, Candidate c) {
    if (!(c.volume < worker.best.volume))
      return;
    c.volume = worker.evaluator.volumeAlong(c.axes);
    if (c.volume < worker.best.volume)
      worker.best = c;
  }

  const DirectionEvaluator& shared_;  // the hull's data; workers evaluate on their copies
  double k_;
  double gap_;
  std::vector<Worker> workers_;
  Candidate best_;
  double lowestBound_ = INFINITE;
  std::vector<std::size_t> arcStart_;  // per facet, its arcs: arcList_[arcStart_[f]...]
  std::vector<std::size_t> arcList_;
  std::vector<std::size_t> facets_;  // usable facets, in Z-order of their normals
  std::vector<std::size_t> order_;   // arcs to search, in the order of their first facet
  std::vector<std::size_t> rank_;    // per facet, its place in facets_
  // g at each facet normal, or a lower bound of it where the facet was left out; infinite for
  // unusable facets.
  std::vector<double> atFacet_;
  std::vector<char> evaluated_;  // per facet: 1 evaluated, 0 left out (2 while queued)
  // Per arc, the local shapes at its two ends (facets[0] at angle 0, facets[1] at the end).
  std::vector<std::array<DirectionEvaluator::LocalShape, 2>> ends_;
};

// A frame for hulls without area: the covariance axes, with the first two replaced by the
// minimum rectangle of the points in the plane they span.
BoxAxes planarFrame(std::span<const Vector3> points) {
  const BoxAxes axes = pointCovarianceAxes(points);
  std::vector<Point2> projected;
  projected.reserve(points.size());
  for (const Vector3& p : points)
    projected.push_back({dot(Vector3d(p), axes[0]), dot(Vector3d(p), axes[1])});
  const Point2 u = rectangleOf(convexOutline(projected)).direction;
  const Vector3d along = axes[0] * u.x + axes[1] * u.y;
  return {along, cross(axes[2], along), axes[2]};
}

bool finiteAxes(const BoxAxes& axes) {
  for (const Vector3d& a : axes) {
    if (!std::isfinite(a.x) || !std::isfinite(a.y) || !std::isfinite(a.z))
      return false;
  }
  return true;
}

}  // namespace

OrientedBox minimumVolumeBox(std::span<const Vector3> points, const HullGraph& hull,
                             std::span<const BoxAxes> extraCandidates,
                             const MinimumBoxOptions& options, MinimumBoxReport* report) {
  MinimumBoxReport stats;
  DirectionEvaluator evaluator(hull, options.walkOutlines);

  Search search(evaluator, options);
  search.run(stats);
  stats.walkedOutlines = evaluator.walks();
  stats.evaluations = search.evaluations();
  stats.projectedOutlines = search.fallbacks();
  const double searched = search.best().volume;
  if (stats.complete && std::isfinite(searched) && searched > 0.0)
    stats.optimalityGap = std::max(0.0, searched / std::min(searched, search.lowestBound()) - 1.0);
  else
    stats.optimalityGap = stats.complete ? 0.0 : INFINITE;

  // 3. Measure the contenders over all points.
  std::vector<BoxAxes> contenders;
  if (std::isfinite(search.best().volume))
    contenders.push_back(search.best().axes);
  else if (!points.empty())
    contenders.push_back(planarFrame(points));
  contenders.push_back({Vector3d(1, 0, 0), Vector3d(0, 1, 0), Vector3d(0, 0, 1)});
  contenders.insert(contenders.end(), extraCandidates.begin(), extraCandidates.end());
  OrientedBox best;
  bool found = false;
  for (const BoxAxes& axes : contenders) {
    if (!finiteAxes(axes))
      continue;
    const OrientedBox box = enclosingBox(points, axes);
    if (!found || box.volume < best.volume) {
      best = box;
      found = true;
    }
  }
  if (report != nullptr)
    *report = stats;
  return best;
}

OrientedBox minimumVolumeBox(std::span<const Vector3> points, const ConvexHull& hull,
                             MinimumBoxReport* report) {
  return minimumVolumeBox(points, gatherHullGraph(hull), {}, MinimumBoxOptions{}, report);
}
