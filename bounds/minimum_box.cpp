// Minimum-volume box: g(a) = width * minimum rectangle, evaluated at facet normals and
// minimised along the arcs between them (see the header for the reasoning and the bound).
#include "bounds/minimum_box.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <ostream>
#include <tuple>
#include <vector>

#include "bounds/box_fit.h"
#include "bounds/covariance_box.h"
#include "bounds/outline.h"
#include "bounds/polygon_outline.h"
#include "geometry/vector3d.h"

namespace {

constexpr double INFINITE = std::numeric_limits<double>::infinity();
constexpr double ARC_SAMPLE_SPACING = 0.05;  // radians between first samples along an arc
constexpr int MAX_ARC_SAMPLES = 64;
constexpr double ANGLE_TOLERANCE = 1e-7;  // radians: end of the golden-section refinement
constexpr double GOLDEN = 0.6180339887498949;
// Large hulls are first surveyed on a grid of GRID x GRID directions on each of three cube
// faces, and their facets ranked by it; facets then get FACET_SHARE of the work budget.
constexpr int GRID = 12;
constexpr double FACET_SHARE = 0.6;

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

  bool walks() const { return walk_; }
  // Evaluations that projected every vertex because the walk failed or was not confirmed.
  std::size_t fallbacks() const { return fallbacks_; }
  std::size_t evaluations() const { return evaluations_; }
  double work() const { return work_; }
  const std::vector<Vector3d>& normals() const { return normals_; }
  // Facet pairs meeting at an edge, in edge order.
  const std::vector<std::array<std::int32_t, 2>>& arcs() const { return arcs_; }

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
        if (confirmed(frame))
          return {width * rectangle.area, frame};
      }
      ++fallbacks_;
    }
    double lo = INFINITE;
    double hi = -INFINITE;
    outline_.clear();
    for (const Vector3d& v : vertices_) {
      lo = std::min(lo, dot(v, a));
      hi = std::max(hi, dot(v, a));
      outline_.push_back({dot(v, e1), dot(v, e2)});
    }
    work_ += 2.0 * static_cast<double>(vertices_.size());
    const Rectangle2 rectangle = rectangleOf(convexOutline(outline_));
    return {(hi - lo) * rectangle.area, frameOf(a, e1, e2, rectangle.direction)};
  }

 private:
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
        arcs_.push_back({sides[k - 1].facet, sides[k].facet});
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
      work_ += static_cast<double>(neighbourStart_[current + 1] - neighbourStart_[current]);
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
          ++work_;
          if (std::fabs(r.x) + std::fabs(r.y) <= tiny) {
            if (std::find(cluster_.begin(), cluster_.end(), w) == cluster_.end())
              cluster_.push_back(w);
            continue;
          }
          const double backwards = heading.x * r.y - heading.y * r.x;
          if (backwards == 0.0 && heading.x * r.x + heading.y * r.y < 0.0)
            continue;  // straight back where the outline came from
          const double side = bestOffset.x * r.y - bestOffset.y * r.x;
          const bool farther =
              r.x * r.x + r.y * r.y > bestOffset.x * bestOffset.x + bestOffset.y * bestOffset.y;
          if (best == current || side < 0.0 || (side == 0.0 && farther)) {
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
  bool confirmed(const BoxAxes& frame) {
    const Vector3d directions[4] = {frame[1], -frame[1], frame[2], -frame[2]};
    const double slack = 1e-9 * rho_;
    for (const Vector3d& direction : directions) {
      std::size_t extreme = outlineVertex_.front();
      double reach = -INFINITE;
      for (std::size_t v : outlineVertex_) {
        const double t = dot(vertices_[v], direction);
        if (t > reach) {
          reach = t;
          extreme = v;
        }
      }
      const std::size_t top = climb(extreme, direction);
      if (dot(vertices_[top], direction) > reach + slack)
        return false;
    }
    return true;
  }

  bool walk_;
  std::vector<Vector3d> vertices_;  // relative to their centroid
  double rho_ = 0.0;
  std::vector<std::vector<std::int32_t>> loops_;
  std::vector<Vector3d> normals_;
  std::vector<std::array<std::int32_t, 2>> arcs_;
  std::vector<std::size_t> neighbourStart_;
  std::vector<std::int32_t> neighbourList_;
  std::size_t hintHigh_ = 0;
  std::size_t hintLow_ = 0;
  std::size_t hintSide_ = 0;
  std::vector<Point2> outline_;
  std::vector<std::size_t> outlineVertex_;
  std::vector<std::size_t> cluster_;
  std::vector<Point2> hull2d_;
  std::size_t evaluations_ = 0;
  std::size_t fallbacks_ = 0;
  double work_ = 0.0;
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

// The search over the Gauss sphere: optional seed grid, facet normals, arcs; one budget.
class Search {
 public:
  Search(DirectionEvaluator& evaluator, const MinimumBoxOptions& options)
      : evaluator_(evaluator),
        k_(evaluator.lipschitz()),
        budget_(options.work),
        surveyAbove_(options.surveyAboveFacets) {}

  const Candidate& best() const { return best_; }

  void run(MinimumBoxReport& report) {
    const std::vector<Vector3d>& normals = evaluator_.normals();
    std::vector<std::size_t> facets;
    for (std::size_t f = 0; f < normals.size(); ++f) {
      if (evaluator_.usable(f))
        facets.push_back(f);
    }
    atFacet_.assign(normals.size(), INFINITE);
    const bool survey = facets.size() > surveyAbove_;
    if (survey)
      seedGrid(facets);
    // Facet normals, within the facets' share of the budget once the grid has ranked them.
    const double facetBudget = survey ? FACET_SHARE * budget_ : INFINITE;
    std::size_t done = 0;
    for (std::size_t f : facets) {
      if (lowerBound_.size() == normals.size() && lowerBound_[f] >= best_.volume) {
        ++report.facetsExcluded;
        continue;
      }
      if (evaluator_.work() > facetBudget)
        continue;
      const Candidate c = evaluator_.evaluate(normals[f]);
      atFacet_[f] = c.volume;
      offer(c);
      ++done;
    }
    report.facetDirections = facets.size();
    report.facetsSearched = done;
    searchArcs(report);
    report.complete = report.facetsSearched + report.facetsExcluded == report.facetDirections &&
                      report.arcsSearched + report.arcsExcluded == report.arcs;
    report.evaluations = evaluator_.evaluations();
  }

 private:
  // Cube-map cells over the three positive faces (g(a) = g(-a)); a direction's cell.
  static std::size_t cellOf(Vector3d n, int& face) {
    face = 0;
    for (int k = 1; k < 3; ++k) {
      if (std::fabs(n[k]) > std::fabs(n[face]))
        face = k;
    }
    if (n[face] < 0.0)
      n = -n;
    const double u = n[(face + 1) % 3] / n[face];
    const double v = n[(face + 2) % 3] / n[face];
    const auto index = [](double t) {
      return static_cast<std::size_t>(
          std::clamp(static_cast<int>((t + 1.0) * 0.5 * GRID), 0, GRID - 1));
    };
    return (static_cast<std::size_t>(face) * GRID + index(u)) * GRID + index(v);
  }

  // Evaluates g at the centre of every cell and ranks the facets by their cell's value; the
  // Lipschitz bound over a cell's angular radius gives every facet a lower bound.
  void seedGrid(std::vector<std::size_t>& facets) {
    std::vector<double> atCell(3 * GRID * GRID);
    for (int face = 0; face < 3; ++face) {
      for (int i = 0; i < GRID; ++i) {
        for (int j = 0; j < GRID; ++j) {
          Vector3d n;
          n[face] = 1.0;
          n[(face + 1) % 3] = (2.0 * i + 1.0) / GRID - 1.0;
          n[(face + 2) % 3] = (2.0 * j + 1.0) / GRID - 1.0;
          const Candidate c = evaluator_.evaluate(normalized(n));
          atCell[(static_cast<std::size_t>(face) * GRID + static_cast<std::size_t>(i)) * GRID +
                 static_cast<std::size_t>(j)] = c.volume;
          offer(c);
        }
      }
    }
    const std::vector<Vector3d>& normals = evaluator_.normals();
    std::vector<double> rank(normals.size(), INFINITE);
    lowerBound_.assign(normals.size(), 0.0);
    // A cell of side 2 / GRID on a cube face at distance 1: as unit vectors, no direction in it
    // lies farther than sqrt(2) / GRID from the centre's (projecting onto the unit sphere does
    // not lengthen distances outside it), and a frame turned from one to the other moves none
    // of its axes farther than that.
    const double reach = std::isfinite(k_) ? 1.0 + k_ * std::sqrt(2.0) / GRID : INFINITE;
    for (std::size_t f : facets) {
      int face = 0;
      rank[f] = atCell[cellOf(normals[f], face)];
      lowerBound_[f] = rank[f] / (reach * reach * reach);
    }
    std::stable_sort(facets.begin(), facets.end(),
                     [&rank](std::size_t a, std::size_t b) { return rank[a] < rank[b]; });
  }

  // Arcs between facets with known values, most promising first, excluded by the bound or
  // searched while the budget lasts.
  void searchArcs(MinimumBoxReport& report) {
    const std::vector<Vector3d>& normals = evaluator_.normals();
    struct Entry {
      std::size_t f1;
      std::size_t f2;
      double low;
    };
    std::vector<Entry> order;
    for (const auto& arc : evaluator_.arcs()) {
      const auto f1 = static_cast<std::size_t>(arc[0]);
      const auto f2 = static_cast<std::size_t>(arc[1]);
      if (!evaluator_.usable(f1) || !evaluator_.usable(f2))
        continue;
      if (Arc(normals[f1], normals[f2]).angle() <= ANGLE_TOLERANCE)
        continue;  // facets in one plane
      ++report.arcs;
      if (std::isfinite(atFacet_[f1]) && std::isfinite(atFacet_[f2]))
        order.push_back({f1, f2, std::min(atFacet_[f1], atFacet_[f2])});
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const Entry& a, const Entry& b) { return a.low < b.low; });
    for (const Entry& entry : order) {
      const Arc arc(normals[entry.f1], normals[entry.f2]);
      if (arcLowerBound(atFacet_[entry.f1], atFacet_[entry.f2], arc.angle(), k_) >= best_.volume) {
        ++report.arcsExcluded;
        continue;
      }
      if (evaluator_.work() > budget_)
        continue;
      searchArc(arc, atFacet_[entry.f1], atFacet_[entry.f2]);
      ++report.arcsSearched;
    }
  }

  double evaluateAt(const Arc& arc, double t) {
    Candidate c = evaluator_.evaluate(arc.at(t));
    offer(c);
    return c.volume;
  }

  void offer(const Candidate& c) {
    if (c.volume < best_.volume)
      best_ = c;
  }

  // Samples the arc, then refines every sampled local minimum that the bound does not rule
  // out; an end is refined only when the arc starts downhill from it.
  void searchArc(const Arc& arc, double g1, double g2) {
    const double theta = arc.angle();
    const int m =
        std::clamp(static_cast<int>(std::ceil(theta / ARC_SAMPLE_SPACING)), 2, MAX_ARC_SAMPLES);
    std::vector<double> t(static_cast<std::size_t>(m) + 1);
    std::vector<double> g(t.size());
    for (int i = 0; i <= m; ++i)
      t[static_cast<std::size_t>(i)] = theta * i / m;
    g.front() = g1;
    g.back() = g2;
    for (int i = 1; i < m; ++i)
      g[static_cast<std::size_t>(i)] = evaluateAt(arc, t[static_cast<std::size_t>(i)]);
    const double step = theta / m;
    for (int i = 0; i <= m; ++i) {
      const auto s = static_cast<std::size_t>(i);
      const bool belowLeft = i == 0 || g[s] <= g[s - 1];
      const bool belowRight = i == m || g[s] <= g[s + 1];
      if (!belowLeft || !belowRight)
        continue;
      // Within one step of this sample, g is at least g / (1 + k step)^3.
      if (std::isfinite(k_)) {
        const double reach = 1.0 + k_ * step;
        if (g[s] / (reach * reach * reach) >= best_.volume)
          continue;
      }
      if (i == 0 || i == m) {
        // An end: look a little way into the arc first.
        const double into = std::min(step * 1e-3, 1e-4);
        if (evaluateAt(arc, i == 0 ? into : theta - into) >= g[s])
          continue;
      }
      goldenSection(arc, i == 0 ? 0.0 : t[s - 1], i == m ? theta : t[s + 1]);
    }
  }

  void goldenSection(const Arc& arc, double lo, double hi) {
    double x1 = hi - GOLDEN * (hi - lo);
    double x2 = lo + GOLDEN * (hi - lo);
    double f1 = evaluateAt(arc, x1);
    double f2 = evaluateAt(arc, x2);
    while (hi - lo > ANGLE_TOLERANCE) {
      if (f1 <= f2) {
        hi = x2;
        x2 = x1;
        f2 = f1;
        x1 = hi - GOLDEN * (hi - lo);
        f1 = evaluateAt(arc, x1);
      } else {
        lo = x1;
        x1 = x2;
        f1 = f2;
        x2 = lo + GOLDEN * (hi - lo);
        f2 = evaluateAt(arc, x2);
      }
    }
  }

  DirectionEvaluator& evaluator_;
  double k_;
  double budget_;
  std::size_t surveyAbove_;
  Candidate best_;
  std::vector<double> atFacet_;     // g at each facet normal; infinite until evaluated
  std::vector<double> lowerBound_;  // per facet, from the seed grid (empty without one)
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
  stats.projectedOutlines = evaluator.fallbacks();

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
  std::vector<BoxAxes> extra;
  if (!hull.facets.empty()) {
    OBB facetMoment;
    std::ostream discard(nullptr);  // the fit's report is not wanted here
    fitBoxToHull(hull, facetMoment, discard);
    extra.push_back({Vector3d(facetMoment.axes[0]), Vector3d(facetMoment.axes[1]),
                     Vector3d(facetMoment.axes[2])});
  }
  return minimumVolumeBox(points, gatherHullGraph(hull), extra, MinimumBoxOptions{}, report);
}
